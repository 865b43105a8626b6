#include "WaitFor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

namespace zarvo_test {

namespace {

// How long one round of served events lasts at most, and how often a round wakes to look at the
// condition when no event arrives (a thread that ends, a flag set by another thread).
constexpr int kRoundMs = 50;
constexpr int kWakeMs = 1;

}  // namespace

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  // qWaitFor sleeps 10 ms between its rounds of events, which a wait for an engine command would
  // pay in full each time. Its rounds here serve events as they arrive instead and answer as soon
  // as `done` holds; qWaitFor keeps the deadline and the deferred deletions.
  auto servedUntilDone = [&done] {
    QDeadlineTimer round(kRoundMs);
    QTimer waker;
    waker.start(kWakeMs);
    while (!done() && !round.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
  };
  return QTest::qWaitFor(servedUntilDone, timeoutMs);
}

int childLimitMs() {
  return ZARVO_CHILD_LIMIT_MS;
}

}  // namespace zarvo_test
