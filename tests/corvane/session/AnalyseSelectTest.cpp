#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "Corvane.h"
#include "SessionTestSupport.h"
#include "classification/AnalyseImage.h"
#include "classification/Select.h"
#include "engine/CvInSession.h"

namespace {

using sessiontest::History;
using Reports = enginetest::ProgressRecorder;
using sessiontest::statusAt;
using sessiontest::statusBytes;
using sessiontest::TwoColourPicture;

class AnalyseSelect : public ::testing::Test {
 protected:
  void open(uint32_t width, uint32_t height, bool textured = false, bool analysed = true) {
    picture = std::make_unique<TwoColourPicture>(width, height, 4, textured);
    engine = CvInit();
    session = CvBeginSession(engine, picture->description, nullptr, nullptr);
    status = CvNewStatusImage(engine, picture->description);
    ASSERT_TRUE(session && status);
    if (analysed) {
      ASSERT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
    }
  }
  void TearDown() override {
    if (engine) {
      EXPECT_EQ(CvFinish(engine), CvOk);
    }
  }
  CvInSession& inner() { return *static_cast<CvInSession*>(session); }
  classification::IiClassification& state() { return inner().classification(); }
  const blitz::Array<int32_t, 2>& regionMap() { return state().segmentation().regionMap; }
  History history() { return sessiontest::historyOf(session, status); }
  // A stroke over the rectangle (x, y, width, height) without a mask.
  CvResult stroke(int32_t x, int32_t y, uint32_t w, uint32_t h, uint8_t paint, bool exclusive,
                  float weight = 0.0f) {
    CvSelection rect{x, y, CvImage{w, h, w, CvKindStatus, nullptr}};
    return CvSelect(session, status, &rect, paint, CvStatusInPicture, exclusive ? 1 : 0, weight,
                    nullptr, nullptr);
  }
  void expectChanged(int32_t x, int32_t y, uint32_t w, uint32_t h) {
    EXPECT_EQ(session->changedX, x);
    EXPECT_EQ(session->changedY, y);
    EXPECT_EQ(session->changedWidth, w);
    EXPECT_EQ(session->changedHeight, h);
  }

  std::unique_ptr<TwoColourPicture> picture;
  CvEngine* engine = nullptr;
  CvSession* session = nullptr;
  CvImage* status = nullptr;
};

TEST_F(AnalyseSelect, TwoFlatColoursGiveRegionsThatFollowTheEdge) {
  open(64, 48);
  EXPECT_GT(session->regionCount, 0u);
  // Regions are numbered from 0 in raster order of their first pixel.
  const auto& map = regionMap();
  ASSERT_EQ(map.extent(0), 48);
  ASSERT_EQ(map.extent(1), 64);
  const int32_t count = state().segmentation().innerLabelCount;
  int32_t next = 0;
  for (int r = 0; r < 48; ++r)
    for (int c = 0; c < 64; ++c) {
      ASSERT_GE(map(r, c), 0);
      if (map(r, c) == next) ++next;
      ASSERT_LT(map(r, c), next) << "numbered out of raster order";
    }
  EXPECT_EQ(next, count);

  // No region reaches across the soft edge; the final label map is uniform over each region.
  std::set<int32_t> left;
  for (int r = 0; r < 48; ++r)
    for (int c = 0; c < 24; ++c) left.insert(map(r, c));
  const auto& labels = state().finalLabels();
  std::vector<int32_t> regionLabel(size_t(count), -7);
  for (int r = 0; r < 48; ++r)
    for (int c = 0; c < 64; ++c) {
      if (c >= 40) {
        EXPECT_EQ(left.count(map(r, c)), 0u) << r << "," << c;
      }
      int32_t& l = regionLabel[size_t(map(r, c))];
      if (l == -7) l = labels(r, c);
      EXPECT_EQ(labels(r, c), l);
    }
}

TEST_F(AnalyseSelect, PixelStrokesNeedNoAnalysisRegionStrokesDo) {
  open(64, 48, false, false);
  const History before = history();
  EXPECT_EQ(stroke(2, 2, 3, 3, CvStatusKeep, true), CvNeedsSegmentation);
  EXPECT_EQ(history(), before);

  EXPECT_EQ(stroke(2, 3, 4, 5, CvStatusKeep, false), CvOk);
  expectChanged(2, 3, 4, 5);
  EXPECT_EQ(statusAt(status, 7, 5), CvStatusKeep);
  EXPECT_EQ(statusAt(status, 8, 5), CvStatusInPicture);
  EXPECT_EQ(sessiontest::undoCount(session), 1u);

  // Painting the target itself changes nothing; a protect stroke records no undo step.
  EXPECT_EQ(stroke(10, 1, 2, 2, CvStatusInPicture, false), CvOk);
  EXPECT_EQ(session->changedWidth, 0u);
  EXPECT_EQ(stroke(10, 1, 2, 2, CvStatusForcedEdge, false), CvOk);
  EXPECT_EQ(sessiontest::undoCount(session), 1u);
  EXPECT_EQ(statusAt(status, 1, 10), CvStatusInPicture | CvStatusForcedEdge);
  expectChanged(10, 1, 2, 2);
}

TEST_F(AnalyseSelect, RegionStrokeSelectsTheWholeRegionBeyondTheStroke) {
  open(64, 48);
  const auto& map = regionMap();
  const int32_t touched = map(10, 10);
  ASSERT_EQ(stroke(10, 10, 1, 1, CvStatusKeep, true), CvOk);
  int minRow = 99, maxRow = -1, minCol = 99, maxCol = -1;
  for (int r = 0; r < 48; ++r)
    for (int c = 0; c < 64; ++c) {
      const bool in = map(r, c) == touched;
      ASSERT_EQ(statusAt(status, r, c), in ? CvStatusKeep : CvStatusInPicture) << r << "," << c;
      if (in) {
        minRow = std::min(minRow, r), maxRow = std::max(maxRow, r);
        minCol = std::min(minCol, c), maxCol = std::max(maxCol, c);
      }
    }
  EXPECT_GT(maxCol - minCol, 1);
  expectChanged(minCol, minRow, uint32_t(maxCol - minCol + 1), uint32_t(maxRow - minRow + 1));
}

TEST_F(AnalyseSelect, UndoneStrokeDoesNotComeBackWithTheNextRegionStroke) {
  open(64, 48);
  const std::vector<uint8_t> before = statusBytes(status);
  ASSERT_NE(regionMap()(40, 60), regionMap()(5, 5));
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(stroke(60, 40, 1, 1, CvStatusDelete, true), CvOk);
  ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  ASSERT_EQ(statusBytes(status), before);
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true), CvOk);
  EXPECT_EQ(statusAt(status, 40, 60), CvStatusInPicture);
  // A colour-level stroke grows across the label map: still nothing from the undone stroke.
  ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  ASSERT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true, 3.0f), CvOk);
  EXPECT_EQ(statusAt(status, 40, 60), CvStatusInPicture);
  EXPECT_EQ(statusAt(status, 5, 5), CvStatusKeep);
}

TEST_F(AnalyseSelect, CancelledLabelMapRebuildIsRebuiltByTheNextSelect) {
  open(64, 48);
  auto statuses = inner().reindexStatus(static_cast<CvInImage*>(status));
  classification::SelectRequest request{
      2, CvStatusDelete, CvStatusClassMask, CvStatusInPicture, CvStatusClassAndFlags, 2};
  auto select = [&](int32_t levelPlusOne, kestrum::utility::IiUI* ui) {
    request.levelPlusOne = levelPlusOne;
    classification::select(state(), corvane::Box{1, 1, 0, 0}, nullptr, statuses, request,
                           ProgressRange(ui));
  };
  select(2, nullptr);  // a reference map at level 1
  const blitz::Array<int32_t, 2> reference = state().finalLabels().copy();
  select(1, nullptr);  // back to level 0, then a rebuild to level 1 cancelled early
  Reports ui(2);
  EXPECT_THROW(select(2, &ui), CvExCancel);
  EXPECT_NE(state().partitionLevel, 1);
  select(2, nullptr);
  EXPECT_EQ(state().partitionLevel, 1);
  EXPECT_TRUE(blitz::all(state().finalLabels() == reference));
}

// The host's callback is throttled, so the entry point is cancelled by a callback that
// answers 2 from its first call on; the tuning variables must come out as they were.
int32_t alwaysStop(uint8_t, void*) {
  return 2;
}

TEST_F(AnalyseSelect, CancelledAnalysisRestoresVariablesAndLeavesNoSegmentation) {
  open(64, 48);
  ASSERT_EQ(stroke(0, 0, 3, 3, CvStatusKeep, false), CvOk);
  const History before = history();
  CvVariable record{};
  ASSERT_EQ(CvGetVariable(session, "#texture", &record), CvOk);
  const float texture = record.proportion;
  ASSERT_EQ(CvSetVariable(session, "#texture", texture > 0.5f ? 0.1f : 0.9f), CvOk);

  // Cancelling at the closing report is impossible, so a fast analysis may still finish.
  const CvResult result = CvAnalyseImage(session, &alwaysStop, nullptr);
  ASSERT_TRUE(result == CvOk || result == CvCancelled);
  if (result == CvCancelled) {
    EXPECT_EQ(session->segmented, 0u);
    EXPECT_EQ(session->regionCount, 0u);
    ASSERT_EQ(CvGetVariable(session, "#texture", &record), CvOk);
    EXPECT_EQ(record.proportion, texture);
    EXPECT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true), CvNeedsSegmentation);
  }
  EXPECT_EQ(history(), before);
  EXPECT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(stroke(5, 5, 1, 1, CvStatusKeep, true), CvOk);
}

}  // namespace
