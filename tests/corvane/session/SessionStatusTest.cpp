#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Corvane.h"
#include "SessionTestSupport.h"
#include "engine/CvEngine.h"
#include "engine/CvInSession.h"

using sessiontest::Picture;
using sessiontest::redoCount;
using sessiontest::statusAt;
using sessiontest::statusBytes;
using sessiontest::undoCount;

namespace {

struct Changed {
  int32_t x, y;
  uint32_t width, height;
  bool operator==(const Changed& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

Changed changedOf(const CvSession* s) {
  return Changed{s->changedX, s->changedY, s->changedWidth, s->changedHeight};
}

struct SessionStatus : ::testing::Test {
  CvEngine* engine = CvInit();
  Picture picture{12, 9};
  CvSession* session = nullptr;
  CvImage* status = nullptr;

  void SetUp() override {
    // Two transparent pixels: status 0, outside the picture.
    picture.pixels[3] = 0;
    picture.pixels[(8 * 12 + 11) * 4 + 3] = 0;
    session = CvBeginSession(engine, picture.description, nullptr, nullptr);
    status = CvNewStatusImage(engine, picture.description);
    ASSERT_TRUE(session && status);
  }
  void TearDown() override {
    EXPECT_FALSE(engine->failed);
    EXPECT_EQ(CvFinish(engine), CvOk);
  }
  size_t undoSteps() {
    return static_cast<CvInSession*>(session)->classification().undoStack().undoStepCount();
  }
  // Places `value` over the rectangle through CvSetStatus.
  CvResult place(CvSession* target, int32_t x, int32_t y, uint32_t width, uint32_t height,
                 uint8_t value) {
    std::vector<uint8_t> labels(size_t{width} * height, value);
    CvSelection selection{x, y, CvImage{width, height, width, CvKindStatus, labels.data()}};
    return CvSetStatus(target, status, &selection, nullptr, nullptr);
  }
};

TEST_F(SessionStatus, SetStatusRecordsAStepAndReportsTheOverlap) {
  EXPECT_EQ(place(session, 2, 3, 4, 2, 4), CvOk);
  EXPECT_EQ(statusAt(status, 4, 5), 4);
  EXPECT_EQ(statusAt(status, 5, 5), 1);
  EXPECT_EQ(changedOf(session), (Changed{2, 3, 4, 2}));
  // Nothing changes, but the step is recorded (joining the open user-level step) and the
  // whole overlap reported.
  EXPECT_EQ(place(session, 2, 3, 4, 2, 4), CvOk);
  EXPECT_EQ(changedOf(session), (Changed{2, 3, 4, 2}));
  EXPECT_EQ(undoCount(session), 1u);
  EXPECT_EQ(undoSteps(), 2u);

  // Overhanging the picture: clipped; status 0 stays 0; a label 0 clears nothing.
  EXPECT_EQ(place(session, -2, -1, 4, 3, 8), CvOk);
  EXPECT_EQ(changedOf(session), (Changed{0, 0, 2, 2}));
  EXPECT_EQ(statusAt(status, 0, 0), 0);
  EXPECT_EQ(statusAt(status, 1, 1), 8);
  EXPECT_EQ(place(session, 0, 0, 3, 3, 0), CvOk);
  EXPECT_EQ(statusAt(status, 1, 1), 8);

  // Outside the picture, or a plain rectangle: nothing, no step.
  const size_t steps = undoSteps();
  EXPECT_EQ(place(session, 50, 50, 3, 3, 2), CvOk);
  EXPECT_EQ(changedOf(session), (Changed{0, 0, 0, 0}));
  CvSelection plain{0, 0, CvImage{3, 3, 0, 0, nullptr}};
  EXPECT_EQ(CvSetStatus(session, status, &plain, nullptr, nullptr), CvOk);
  EXPECT_EQ(changedOf(session), (Changed{0, 0, 0, 0}));
  EXPECT_EQ(undoSteps(), steps);
  // Unreadable labels are refused.
  EXPECT_EQ(CvSetStatus(session, status, nullptr, nullptr, nullptr), CvPreconditionFailed);
  std::vector<uint8_t> wide(16, 2);
  CvSelection wrongKind{0, 0, CvImage{2, 2, 8, CvKindRgba8, wide.data()}};
  EXPECT_EQ(CvSetStatus(session, status, &wrongKind, nullptr, nullptr), CvPreconditionFailed);
}

TEST_F(SessionStatus, UndoHistoryKeepsTheLastTwoHundredUserLevelSteps) {
  std::vector<std::vector<uint8_t>> history{statusBytes(status)};
  for (int i = 0; i < 230; ++i) {
    EXPECT_EQ(CvCommitUndoStep(session), CvOk);
    EXPECT_EQ(place(session, i % 12, (i / 12) % 9, 1, 1, uint8_t(2 << (i % 3))), CvOk);
    history.push_back(statusBytes(status));
  }
  EXPECT_EQ(undoCount(session), 200u);
  // Empty user-level steps count too.
  EXPECT_EQ(CvCommitUndoStep(session), CvOk);
  EXPECT_EQ(undoCount(session), 200u);
  EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);  // the empty one
  EXPECT_EQ(statusBytes(status), history[230]);
  EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(changedOf(session), (Changed{int32_t(229 % 12), int32_t((229 / 12) % 9), 1, 1}));
  for (int i = 228; i >= 31; --i) {
    EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
    ASSERT_EQ(statusBytes(status), history[i]) << i;
  }
  EXPECT_EQ(undoCount(session), 0u);
  EXPECT_EQ(redoCount(session), 200u);
  // Nothing left to undo: nothing changes, nothing is reported.
  EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(statusBytes(status), history[31]);
  EXPECT_EQ(changedOf(session), (Changed{0, 0, 0, 0}));
  for (int i = 0; i < 199; ++i) EXPECT_EQ(CvRedo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(statusBytes(status), history[230]);

  // A new change after an undo drops the redo steps; clearing drops everything.
  EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(place(session, 0, 8, 1, 1, 2), CvOk);
  EXPECT_EQ(redoCount(session), 0u);
  EXPECT_EQ(undoCount(session), 199u);
  EXPECT_EQ(CvClearUndoRedo(session), CvOk);
  EXPECT_EQ(undoCount(session) + redoCount(session), 0u);
  EXPECT_EQ(CvNumAvailableUndo(session, nullptr), CvOk);
}

TEST_F(SessionStatus, SubSessionCopiesStatusesFromAndToItsParent) {
  CvSelection part{3, 2, CvImage{5, 4, 0, 0, nullptr}};
  CvSession* sub = CvBeginSubSession(session, &part, 1, nullptr, nullptr);
  ASSERT_NE(sub, nullptr);
  const auto initial = statusBytes(status);

  testing::internal::CaptureStderr();
  EXPECT_EQ(CvSetStatusFromParent(sub, status), CvOk);
  EXPECT_EQ(changedOf(sub), (Changed{3, 2, 5, 4}));
  EXPECT_EQ(undoCount(sub), 1u);
  EXPECT_EQ(place(sub, 0, 0, 5, 4, 4), CvOk);  // overlaps the sub-session at (3..4, 2..3)
  EXPECT_EQ(changedOf(sub), (Changed{3, 2, 2, 2}));
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("status array's dimensions: [0,0], [3,4]\n"
                     "Reindexing from [0,0], [3,4] to [2,3], [5,7]\n"),
            std::string::npos)
      << log;
  // The sub-session works on its own copy: the host's statuses are untouched so far.
  EXPECT_EQ(statusBytes(status), initial);

  EXPECT_EQ(CvSetParentStatus(sub, status), CvOk);
  EXPECT_EQ(statusAt(status, 3, 4), 4);
  EXPECT_EQ(statusAt(status, 2, 5), 1);
  EXPECT_EQ(statusAt(status, 1, 3), 1);
  EXPECT_EQ(changedOf(session), (Changed{3, 2, 5, 4}));
  EXPECT_EQ(undoCount(session), 1u);
  EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(statusBytes(status), initial);

  // Statuses the host changed meanwhile reach the sub-session again; the copy is refreshed
  // from the parent, whose undo removed the earlier change.
  statusAt(status, 5, 7) = 8;
  EXPECT_EQ(CvSetStatusFromParent(sub, status), CvOk);
  EXPECT_EQ(CvSetParentStatus(sub, status), CvOk);
  EXPECT_EQ(statusAt(status, 5, 7), 8);
  EXPECT_EQ(statusAt(status, 2, 3), 1);

  // Only sub-sessions have a parent.
  EXPECT_EQ(CvSetStatusFromParent(session, status), CvPreconditionFailed);
  EXPECT_EQ(CvSetParentStatus(session, status), CvPreconditionFailed);
}

}  // namespace
