#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTimer>

#include "document/RepeatTimer.h"

namespace {

// Elapsed time told by the test, not by the clock.
class ScriptedTimer : public RepeatTimer {
 public:
  qint64 now = 0;

 protected:
  qint64 elapsedMs() const override { return now; }
};

TEST(RepeatTimerTest, ReportsFractionsUntilThePeriodIsOver) {
  ScriptedTimer timer;
  QSignalSpy fractions(&timer, &RepeatTimer::proportionElapsed);
  QSignalSpy expiries(&timer, &RepeatTimer::expired);
  timer.start(200, 10);
  EXPECT_TRUE(timer.tickTimer()->isActive());
  for (qint64 t : {0, 50, 200}) {  // exactly the period still reports 1.0
    timer.now = t;
    timer.timeoutSlot();
  }
  ASSERT_EQ(fractions.size(), 3);
  EXPECT_DOUBLE_EQ(fractions[1][0].toDouble(), 0.25);
  EXPECT_DOUBLE_EQ(fractions[2][0].toDouble(), 1.0);
  EXPECT_EQ(expiries.size(), 0);

  timer.now = 201;
  timer.timeoutSlot();
  EXPECT_EQ(expiries.size(), 1);
  EXPECT_FALSE(timer.tickTimer()->isActive());
  timer.timeoutSlot();  // a late tick after expiry says nothing
  EXPECT_EQ(fractions.size(), 3);
  EXPECT_EQ(expiries.size(), 1);

  timer.start(100, 10);
  timer.now = 30;
  timer.timeoutSlot();
  EXPECT_EQ(fractions.size(), 4);

  timer.start(0, 10);  // a zero period has no fraction: it is over at once
  timer.timeoutSlot();
  EXPECT_EQ(fractions.size(), 4);
  EXPECT_EQ(expiries.size(), 2);
}

}  // namespace
