#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "Corvane.h"
#include "SessionTestSupport.h"
#include "classification/AnalyseImage.h"
#include "classification/RegionCleanup.h"
#include "classification/Select.h"
#include "engine/CvInSession.h"

namespace {

using sessiontest::Reports;
using sessiontest::statusAt;
using sessiontest::statusBytes;
using sessiontest::TwoColourPicture;

class AnalyseSelect : public ::testing::Test {
 protected:
  void open(uint32_t width, uint32_t height, bool textured = false) {
    picture = std::make_unique<TwoColourPicture>(width, height, 4, textured);
    engine = CvInit();
    session = CvBeginSession(engine, picture->description, nullptr, nullptr);
    ASSERT_NE(session, nullptr);
    status = CvNewStatusImage(engine, picture->description);
    ASSERT_NE(status, nullptr);
  }
  void TearDown() override {
    if (engine) {
      EXPECT_EQ(CvFinish(engine), CvOk);
    }
  }
  CvInSession& inner() { return *static_cast<CvInSession*>(session); }
  const blitz::Array<int32_t, 2>& regionMap() {
    return inner().classification().segmentation().regionMap;
  }
  uint32_t undoCount() {
    uint32_t n = 0;
    EXPECT_EQ(CvNumAvailableUndo(session, &n), CvOk);
    return n;
  }
  // A stroke over the rectangle (x, y, width, height) without a mask.
  CvResult stroke(int32_t x, int32_t y, uint32_t w, uint32_t h, uint8_t paint, bool exclusive,
                  float weight = 0.0f, CvProgressCallback cb = nullptr, void* ctx = nullptr) {
    CvSelection rect{x, y, CvImage{w, h, w, CvKindStatus, nullptr}};
    return CvSelect(session, status, &rect, paint, CvStatusInPicture, exclusive ? 1 : 0, weight, cb,
                    ctx);
  }

  std::unique_ptr<TwoColourPicture> picture;
  CvEngine* engine = nullptr;
  CvSession* session = nullptr;
  CvImage* status = nullptr;
};

TEST_F(AnalyseSelect, TwoFlatColoursGiveRegionsThatFollowTheEdge) {
  open(64, 48);
  EXPECT_EQ(session->segmented, 0u);
  ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  EXPECT_NE(session->segmented, 0u);
  EXPECT_GT(session->regionCount, 0u);

  // Regions are numbered from 0 in raster order of their first pixel, each 4-connected.
  const auto& map = regionMap();
  ASSERT_EQ(map.extent(0), 48);
  ASSERT_EQ(map.extent(1), 64);
  const int32_t count = inner().classification().segmentation().innerLabelCount;
  int32_t next = 0;
  for (int r = 0; r < 48; ++r)
    for (int c = 0; c < 64; ++c) {
      ASSERT_GE(map(r, c), 0);
      ASSERT_LT(map(r, c), count);
      if (map(r, c) == next) ++next;
      ASSERT_LT(map(r, c), next) << "numbered out of raster order";
    }
  EXPECT_EQ(next, count);

  // No region reaches across the soft edge from the left colour to the right one.
  std::set<int32_t> left, right;
  for (int r = 0; r < 48; ++r) {
    for (int c = 0; c < 24; ++c) left.insert(map(r, c));
    for (int c = 40; c < 64; ++c) right.insert(map(r, c));
  }
  for (int32_t region : left) EXPECT_EQ(right.count(region), 0u) << region;

  // The final label map is uniform over every region.
  const auto& labels = inner().classification().finalLabels();
  std::vector<int32_t> regionLabel(size_t(count), -7);
  for (int r = 0; r < 48; ++r)
    for (int c = 0; c < 64; ++c) {
      int32_t& l = regionLabel[size_t(map(r, c))];
      if (l == -7) l = labels(r, c);
      EXPECT_EQ(labels(r, c), l);
    }
}

TEST_F(AnalyseSelect, RegionStrokeNeedsAnAnalysisPixelStrokeDoesNot) {
  open(64, 48);
  const std::vector<uint8_t> before = statusBytes(status);
  EXPECT_EQ(stroke(2, 2, 3, 3, CvStatusKeep, true), CvNeedsSegmentation);
  EXPECT_EQ(statusBytes(status), before);
  EXPECT_EQ(undoCount(), 0u);

  EXPECT_EQ(stroke(2, 3, 4, 5, CvStatusKeep, false), CvOk);
  EXPECT_EQ(session->changedX, 2);
  EXPECT_EQ(session->changedY, 3);
  EXPECT_EQ(session->changedWidth, 4u);
  EXPECT_EQ(session->changedHeight, 5u);
  EXPECT_EQ(statusAt(status, 3, 2), CvStatusKeep);
  EXPECT_EQ(statusAt(status, 7, 5), CvStatusKeep);
  EXPECT_EQ(statusAt(status, 8, 5), CvStatusInPicture);
  EXPECT_EQ(undoCount(), 1u);
}

TEST_F(AnalyseSelect, RegionStrokeSelectsTheWholeRegionBeyondTheStroke) {
  open(64, 48);
  ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  const auto& map = regionMap();
  const int32_t touched = map(10, 10);
  ASSERT_EQ(stroke(10, 10, 1, 1, CvStatusKeep, true), CvOk);
  int minRow = 99, maxRow = -1, minCol = 99, maxCol = -1;
  for (int r = 0; r < 48; ++r)
    for (int c = 0; c < 64; ++c) {
      const bool in = map(r, c) == touched;
      EXPECT_EQ(statusAt(status, r, c), in ? CvStatusKeep : CvStatusInPicture) << r << "," << c;
      if (in) {
        minRow = std::min(minRow, r), maxRow = std::max(maxRow, r);
        minCol = std::min(minCol, c), maxCol = std::max(maxCol, c);
      }
    }
  EXPECT_GT(maxCol - minCol, 1);
  EXPECT_EQ(session->changedX, minCol);
  EXPECT_EQ(session->changedY, minRow);
  EXPECT_EQ(session->changedWidth, uint32_t(maxCol - minCol + 1));
  EXPECT_EQ(session->changedHeight, uint32_t(maxRow - minRow + 1));
  EXPECT_EQ(undoCount(), 1u);
}

TEST_F(AnalyseSelect, UndoneStrokeDoesNotComeBackWithTheNextRegionStroke) {
  open(64, 48);
  ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  const std::vector<uint8_t> before = statusBytes(status);
  const auto& map = regionMap();
  // Two strokes in different regions; the first is undone.
  int32_t farRow = 40, farColumn = 60;
  ASSERT_NE(map(farRow, farColumn), map(5, 5));
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(stroke(farColumn, farRow, 1, 1, CvStatusDelete, true), CvOk);
  ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  ASSERT_EQ(statusBytes(status), before);
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true), CvOk);
  EXPECT_EQ(statusAt(status, farRow, farColumn), CvStatusInPicture);
  // A colour-level stroke grows across the label map: still nothing from the undone stroke.
  ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  ASSERT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true, 3.0f), CvOk);
  EXPECT_EQ(statusAt(status, farRow, farColumn), CvStatusInPicture);
  EXPECT_EQ(statusAt(status, 5, 5), CvStatusKeep);
}

TEST_F(AnalyseSelect, ProtectStrokeRecordsNoUndoStepAndPaintingTheTargetNothing) {
  open(32, 32);
  CvSelection rect{1, 1, CvImage{2, 2, 2, CvKindStatus, nullptr}};
  // The status painted equals the target: nothing is applied.
  ASSERT_EQ(CvSelect(session, status, &rect, CvStatusInPicture, CvStatusInPicture, 0, 0.0f, nullptr,
                     nullptr),
            CvOk);
  EXPECT_EQ(session->changedWidth, 0u);
  ASSERT_EQ(
      CvSelect(session, status, &rect, CvStatusFlagA, CvStatusInPicture, 0, 0.0f, nullptr, nullptr),
      CvOk);
  EXPECT_EQ(undoCount(), 0u);
  EXPECT_EQ(statusAt(status, 1, 1), CvStatusInPicture | CvStatusFlagA);
  EXPECT_EQ(statusAt(status, 3, 3), CvStatusInPicture);
  EXPECT_EQ(session->changedWidth, 2u);
}

// ---- Cancellation at every report, through the classification state as the session runs it.

struct Snapshot {
  std::vector<uint8_t> statuses;
  uint32_t undo;
  uint32_t redo;
};

TEST_F(AnalyseSelect, CancelAtEveryReportOfSelectLeavesEverythingAsBefore) {
  open(64, 48);
  ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  ASSERT_EQ(stroke(0, 0, 3, 3, CvStatusKeep, false), CvOk);
  classification::IiClassification& state = inner().classification();
  CvInSession::Bytes statuses = inner().reindexStatus(static_cast<CvInImage*>(status));

  // Modes 0 to 3 at the region level and at a colour level that needs a rebuilt label map.
  for (int32_t mode = 0; mode <= 3; ++mode) {
    for (int32_t levelPlusOne : {0, 3}) {
      const classification::SelectRequest request{
          mode,        CvStatusDelete, CvStatusClassMask, CvStatusInPicture, CvStatusClassAndFlags,
          levelPlusOne};
      for (int k = 1;; ++k) {
        const Snapshot before{statusBytes(status), state.undoStack().undoCount(),
                              state.undoStack().redoCount()};
        Reports ui(k);
        bool cancelled = false;
        state.beginOperation();
        try {
          classification::select(state, corvane::Box{20, 5, 30, 12}, nullptr, statuses, request,
                                 ProgressRange(&ui));
          state.endOperation();
        } catch (const CvExCancel&) {
          state.rollBackOperation();
          cancelled = true;
        }
        if (!cancelled) {
          EXPECT_NE(statusBytes(status), before.statuses) << mode << " " << levelPlusOne;
          ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
          break;
        }
        EXPECT_EQ(statusBytes(status), before.statuses) << mode << " " << k;
        EXPECT_EQ(state.undoStack().undoCount(), before.undo);
        EXPECT_EQ(state.undoStack().redoCount(), before.redo);
        ASSERT_LT(k, 100);
      }
    }
  }
  // Still usable through the entry points.
  EXPECT_EQ(stroke(40, 20, 2, 2, CvStatusKeep, true, 2.0f), CvOk);
}

TEST_F(AnalyseSelect, CancelledLabelMapRebuildIsRebuiltByTheNextSelect) {
  open(64, 48);
  ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  classification::IiClassification& state = inner().classification();
  CvInSession::Bytes statuses = inner().reindexStatus(static_cast<CvInImage*>(status));
  const classification::SelectRequest request{
      2, CvStatusDelete, CvStatusClassMask, CvStatusInPicture, CvStatusClassAndFlags, 2};
  // A reference map at level 1.
  classification::select(state, corvane::Box{1, 1, 0, 0}, nullptr, statuses, request,
                         ProgressRange());
  const blitz::Array<int32_t, 2> reference = state.finalLabels().copy();
  // Back to level 0, then a rebuild to level 1 cancelled at its first report.
  classification::SelectRequest other = request;
  other.levelPlusOne = 1;
  classification::select(state, corvane::Box{1, 1, 0, 0}, nullptr, statuses, other,
                         ProgressRange());
  Reports ui(2);
  EXPECT_THROW(classification::select(state, corvane::Box{1, 1, 0, 0}, nullptr, statuses, request,
                                      ProgressRange(&ui)),
               CvExCancel);
  EXPECT_NE(state.partitionLevel, 1);
  classification::select(state, corvane::Box{1, 1, 0, 0}, nullptr, statuses, request,
                         ProgressRange());
  EXPECT_EQ(state.partitionLevel, 1);
  EXPECT_TRUE(blitz::all(state.finalLabels() == reference));
}

TEST_F(AnalyseSelect, CancelAtEveryReportOfTheAnalysisLeavesItRepeatable) {
  open(48, 40, true);
  ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  const blitz::Array<int32_t, 2> regions = regionMap().copy();
  const blitz::Array<int32_t, 2> labels = inner().classification().finalLabels().copy();
  classification::IiClassification& state = inner().classification();

  for (int k = 1;; ++k) {
    state.rancourState = 0;  // everything again, as after a change of "#texture"
    Reports ui(k);
    bool cancelled = false;
    try {
      classification::analyse(state, nullptr, ProgressRange(&ui));
    } catch (const CvExCancel&) {
      cancelled = true;
    }
    if (!cancelled) break;
    ASSERT_LT(k, 2000);
  }
  // After all those cancels a whole analysis gives the same result as the first.
  state.rancourState = 0;
  classification::analyse(state, nullptr, ProgressRange());
  EXPECT_TRUE(blitz::all(regionMap() == regions));
  EXPECT_TRUE(blitz::all(state.finalLabels() == labels));
}

// The host's callback is throttled to ten calls a second, so the entry point is cancelled
// through a callback that answers 2 from its first call on; statuses, undo counts and the
// tuning variables must come out as they were.
int32_t alwaysStop(uint8_t, void* calls) {
  ++*static_cast<int*>(calls);
  return 2;
}

TEST_F(AnalyseSelect, CancelledAnalysisRestoresVariablesAndLeavesNoSegmentation) {
  open(64, 48);
  ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  ASSERT_EQ(stroke(0, 0, 3, 3, CvStatusKeep, false), CvOk);
  const std::vector<uint8_t> before = statusBytes(status);
  const uint32_t undo = undoCount();
  CvVariable record{};
  ASSERT_EQ(CvGetVariable(session, "#texture", &record), CvOk);
  const float texture = record.proportion;
  ASSERT_EQ(CvSetVariable(session, "#texture", texture > 0.5f ? 0.1f : 0.9f), CvOk);

  // Cancelling at the closing report is impossible, so a fast analysis may still finish.
  int calls = 0;
  const CvResult result = CvAnalyseImage(session, &alwaysStop, &calls);
  ASSERT_TRUE(result == CvOk || result == CvCancelled);
  if (result == CvCancelled) {
    EXPECT_EQ(session->segmented, 0u);
    EXPECT_EQ(session->regionCount, 0u);
    ASSERT_EQ(CvGetVariable(session, "#texture", &record), CvOk);
    EXPECT_EQ(record.proportion, texture);
    EXPECT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true), CvNeedsSegmentation);
  }
  EXPECT_EQ(statusBytes(status), before);
  EXPECT_EQ(undoCount(), undo);
  EXPECT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true), CvOk);
}

}  // namespace
