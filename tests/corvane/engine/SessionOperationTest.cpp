#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

#include "../session/SessionTestSupport.h"
#include "Corvane.h"
#include "EngineTestSupport.h"
#include "engine/CvEngine.h"
#include "engine/CvInSession.h"
#include "util/CvExCancel.h"

using corvane::Box;

namespace {

using Host = enginetest::HostProgress;

// A session with some history: two user actions, the second undone.
struct SessionOperation : ::testing::Test {
  CvEngine* engine = CvInit();
  std::vector<uint8_t> pixels = std::vector<uint8_t>(16 * 12 * 4, 255);
  CvSession* session = nullptr;
  CvInSession* inner = nullptr;
  CvImage* status = nullptr;

  void SetUp() override {
    CvImage picture{16, 12, 64, CvKindRgba8, pixels.data()};
    session = CvBeginSession(engine, picture, nullptr, nullptr);
    status = CvNewStatusImage(engine, picture);
    ASSERT_NE(session, nullptr);
    inner = static_cast<CvInSession*>(session);
    place(0, 0, 4, 4, 2);
    place(8, 8, 4, 4, 4);
    ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  }
  void TearDown() override { EXPECT_EQ(CvFinish(engine), CvOk); }

  void place(int32_t x, int32_t y, uint32_t w, uint32_t h, uint8_t value) {
    std::vector<uint8_t> labels(size_t{w} * h, value);
    CvSelection selection{x, y, CvImage{w, h, w, CvKindStatus, labels.data()}};
    ASSERT_EQ(CvCommitUndoStep(session), CvOk);
    ASSERT_EQ(CvSetStatus(session, status, &selection, nullptr, nullptr), CvOk);
  }

  sessiontest::History snapshot() { return sessiontest::historyOf(session, status); }

  // What a status operation does: fills the work mask and applies it, recorded or not.
  // A value of 16 sets that flag and keeps the rest of the status, as a protect stroke does.
  void apply(const Box& box, uint8_t value, bool recorded) {
    auto& state = inner->classification();
    auto array = inner->reindexStatus(static_cast<CvInImage*>(status));
    state.clearWorkMask();
    for (int r = box.lowerRow; r <= box.upperRow; ++r)
      for (int c = box.lowerColumn; c <= box.upperColumn; ++c)
        state.workMask()(r, c) = value == 16 ? uint8_t(array(r, c) | 16) : value;
    state.pendingChange().changedRect = box;
    state.applyChanges(array, recorded ? &state.undoStack() : nullptr);
  }

  // An operation of three applies with a checkpoint after each; the checkpoint numbered
  // `cancelAt` cancels the way the progress object does. Its last report is 100 per cent, which
  // reaches the host.
  CvResult operation(int cancelAt, Host& host) {
    int checkpoint = 0;
    auto reach = [&](ProgressRange& range, float f) {
      if (++checkpoint == cancelAt) throw CvExCancel();
      range.report("", f);
    };
    return inner->runOperation("Test", &Host::callback, &host, [&](ProgressRange& range) {
      reach(range, 0.1f);
      apply(Box{2, 2, 9, 9}, 8, true);
      reach(range, 0.4f);
      apply(Box{0, 0, 11, 15}, 16, false);  // a protect stroke: no undo step
      reach(range, 0.7f);
      apply(Box{5, 0, 6, 15}, 4, true);
      reach(range, 1.0f);
    });
  }
};

TEST_F(SessionOperation, FinishedOperationKeepsItsChanges) {
  const sessiontest::History before = snapshot();
  Host host;
  EXPECT_EQ(operation(0, host), CvOk);
  EXPECT_EQ(host.percents, (std::vector<int>{100}));
  const sessiontest::History after = snapshot();
  EXPECT_EQ(after.undo, 2u);  // the recording opened a user-level step: redo steps existed
  EXPECT_EQ(after.redo, 0u);
  EXPECT_EQ(session->changedWidth * session->changedHeight, 16u * 12u);
  // The recorded part is undone in one user-level step; the protect flags stay.
  ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  const sessiontest::History undone = snapshot();
  for (size_t i = 0; i < undone.statuses.size(); ++i)
    EXPECT_EQ(undone.statuses[i] & ~16, before.statuses[i]) << i;
}

TEST_F(SessionOperation, ClosingReportCannotCancel) {
  Host host;
  host.stopAt = 1;
  const CvResult result = inner->runOperation("Test", &Host::callback, &host, [&](ProgressRange&) {
    apply(Box{0, 0, 1, 1}, 8, true);
  });
  EXPECT_EQ(result, CvOk);
  EXPECT_EQ(host.percents, (std::vector<int>{100}));
  EXPECT_EQ(sessiontest::statusAt(status, 0, 0), 8);
}

TEST_F(SessionOperation, ExhaustedMemoryRollsBackOtherFailuresMarkTheEngine) {
  const sessiontest::History before = snapshot();
  EXPECT_EQ(inner->runOperation("Test", nullptr, nullptr,
                                [&](ProgressRange&) {
                                  apply(Box{0, 0, 5, 5}, 8, true);
                                  throw std::bad_alloc();
                                }),
            CvOutOfMemory);
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(session->changedWidth, 6u);  // the rolled-back area is reported
  EXPECT_FALSE(engine->failed);

  EXPECT_EQ(inner->runOperation("Test", nullptr, nullptr,
                                [&](ProgressRange&) { throw "Image too small"; }),
            CvException);
  EXPECT_TRUE(engine->failed);
  uint32_t count = 0;
  EXPECT_EQ(CvNumAvailableUndo(session, &count), CvEngineFailed);
  EXPECT_EQ(CvFinish(engine), CvEngineFailed);
  engine->failed = false;
}

}  // namespace
