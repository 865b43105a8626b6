#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/CvInProgress.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/CvExCancel.h"

namespace {

using Host = enginetest::HostProgress;

void waitPastThrottle() {
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
}

TEST(CvInProgress, ThrottlesTruncatesAndAlwaysClosesAtOneHundred) {
  Host host;
  {
    CvInProgress p(&Host::callback, &host, "Test", true);
    p.progress(0.5f, "");  // within 0.1 s of construction
    EXPECT_TRUE(host.percents.empty());
    waitPastThrottle();
    p.progress(0.999f, "");  // never shown as done before it is
    p.progress(1.0f, "");
  }
  // Reached 1.0 already: the destructor adds nothing; otherwise it reports 100 once.
  { CvInProgress p(&Host::callback, &host, "Test", true); }
  EXPECT_EQ(host.percents, (std::vector<int>{99, 100, 100}));
}

TEST(CvInProgress, StopReplyCancelsOnceAndOnlyACancellableOperation) {
  Host host;
  host.stopAt = 1;
  host.keepStopping = true;
  {
    CvInProgress p(&Host::callback, &host, "Test", true);
    ProgressRange range(&p);
    waitPastThrottle();
    EXPECT_THROW(range.report("", 0.5f), CvExCancel);
    EXPECT_TRUE(p.cancelled());
    EXPECT_NO_THROW(p.progress(1.0f, ""));  // a second stop reply is ignored
  }
  // 50 from the report, 100 from the explicit report of 1.0; no closing report.
  EXPECT_EQ(host.percents, (std::vector<int>{50, 100}));

  CvInProgress exact(&Host::callback, &host, "Test", true);
  EXPECT_THROW(exact.progress(1.0f, ""), CvExCancel);  // 1.0 itself can still cancel
  CvInProgress undo(&Host::callback, &host, "Undo", false);
  EXPECT_NO_THROW(undo.progress(1.0f, ""));
  EXPECT_FALSE(undo.cancelled());
  CvInProgress started(&Host::callback, &host, "Session", true);
  started.start();
  EXPECT_NO_THROW(started.progress(1.0f, ""));
  CvInProgress quiet(nullptr, nullptr, "Quiet", true);
  EXPECT_NO_THROW(quiet.progress(1.0f, ""));
}

}  // namespace
