#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "engine/CvExCancel.h"
#include "engine/CvInProgress.h"
#include "kestrum/utility/ProgressRange.h"

namespace {

struct Host {
  std::vector<int> percents;
  int reply = 0;
  int replyFromCall = 0;  // answer `reply` from this call on (0-based)
  static int32_t callback(uint8_t percent, void* context) {
    auto* h = static_cast<Host*>(context);
    h->percents.push_back(percent);
    return static_cast<int>(h->percents.size()) - 1 >= h->replyFromCall ? h->reply : 0;
  }
};

void waitPastThrottle() {
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
}

TEST(CvInProgress, ThrottlesButAlwaysPassesOne) {
  Host host;
  {
    CvInProgress p(&Host::callback, &host, "Test", true);
    p.progress(0.5f, "");  // within 0.1 s of construction
    EXPECT_TRUE(host.percents.empty());
    p.progress(1.0f, "");
    ASSERT_EQ(host.percents.size(), 1u);
    EXPECT_EQ(host.percents.back(), 100);
  }
  // Reached 1.0 already: the destructor adds nothing; otherwise it reports 100 once.
  EXPECT_EQ(host.percents.size(), 1u);
  { CvInProgress p(&Host::callback, &host, "Test", true); }
  EXPECT_EQ(host.percents, (std::vector<int>{100, 100}));
}

TEST(CvInProgress, PercentTruncates) {
  Host host;
  CvInProgress p(&Host::callback, &host, "Test", false);
  waitPastThrottle();
  p.progress(0.999f, "");
  waitPastThrottle();
  p.progress(0.0f, "");
  p.progress(1.0f, "");
  EXPECT_EQ(host.percents, (std::vector<int>{99, 0, 100}));
}

TEST(CvInProgress, StopReplyCancelsOnceAndSuppressesClosingReport) {
  Host host;
  host.reply = 2;
  bool thrown = false;
  {
    CvInProgress p(&Host::callback, &host, "Test", true);
    try {
      ProgressRange range(&p);
      waitPastThrottle();
      range.report("", 0.5f);
    } catch (const CvExCancel&) {
      thrown = true;
    }
    EXPECT_TRUE(p.cancelled());
    // A second stop reply is ignored.
    EXPECT_NO_THROW(p.progress(1.0f, ""));
  }
  EXPECT_TRUE(thrown);
  // 50 from the report, 100 from the explicit report of 1.0; no "auto-destruct".
  EXPECT_EQ(host.percents, (std::vector<int>{50, 100}));
}

TEST(CvInProgress, StopReplyOnlyCancelsACancellableOperation) {
  Host host;
  host.reply = 2;
  CvInProgress exact(&Host::callback, &host, "Test", true);
  EXPECT_THROW(exact.progress(1.0f, ""), CvExCancel);  // 1.0 itself can still cancel
  CvInProgress undo(&Host::callback, &host, "Undo", false);
  EXPECT_NO_THROW(undo.progress(1.0f, ""));
  EXPECT_FALSE(undo.cancelled());
  CvInProgress started(&Host::callback, &host, "Session", true);
  started.start();
  EXPECT_FALSE(started.cancellable());
  EXPECT_NO_THROW(started.progress(1.0f, ""));
  CvInProgress quiet(nullptr, nullptr, "Quiet", true);
  EXPECT_NO_THROW(quiet.progress(1.0f, ""));
}

}  // namespace
