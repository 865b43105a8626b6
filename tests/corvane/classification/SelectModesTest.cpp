#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Corvane.h"
#include "classification/IiClassification.h"
#include "classification/Select.h"

namespace {

using classification::IiClassification;
using classification::SelectRequest;
using corvane::Box;

// A 6 x 8 state whose final label map holds, per column, the labels of `columns`, at a chosen
// partition level so that no select rebuilds it.
class SelectModes : public ::testing::Test {
 protected:
  SelectModes()
      : image(6, 8),
        state(nullptr, true, (image = IiClassification::Colour{{9, 9, 9, 255}}, image)),
        status(6, 8) {
    status = CvStatusInPicture;
  }
  void labelColumns(const std::vector<int32_t>& columns, int32_t labelCount) {
    state.resizeFinalLabels(Box{0, 0, 5, 7});
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 8; ++c) state.finalLabels()(r, c) = columns[size_t(c)];
    state.partitionLevel = 2;
    state.partitionLabelCount = labelCount;
  }
  void run(int32_t mode, const Box& stroke) {
    const SelectRequest request{
        mode, CvStatusKeep, CvStatusClassMask, CvStatusInPicture, CvStatusClassAndFlags, 3};
    classification::select(state, stroke, nullptr, status, request, ProgressRange());
  }
  std::vector<int> keptColumns() {
    std::vector<int> kept;
    for (int c = 0; c < 8; ++c) {
      bool all = true;
      for (int r = 0; r < 6; ++r) all = all && status(r, c) == CvStatusKeep;
      if (all) kept.push_back(c);
    }
    return kept;
  }

  IiClassification::Image image;
  IiClassification state;
  IiClassification::Bytes status;
};

TEST_F(SelectModes, ColourClusterStrokeSelectsTheClusterFarFromTheStroke) {
  labelColumns({0, 0, 1, 1, 2, 2, 0, 0}, 3);
  status(5, 7) = CvStatusDelete;  // incompatible: keeps its status
  run(classification::kSelectColourLabels, Box{0, 0, 0, 0});
  EXPECT_EQ(keptColumns(), (std::vector<int>{0, 1, 6}));
  EXPECT_EQ(status(0, 7), CvStatusKeep);
  EXPECT_EQ(status(5, 7), CvStatusDelete);
  EXPECT_EQ(state.undoStack().undoCount(), 1u);
  corvane::Box changed{};
  ASSERT_TRUE(state.takeDirtyRect(changed));
  EXPECT_EQ(changed, (Box{0, 0, 5, 7}));
}

TEST_F(SelectModes, LabelMapRegionStrokeStaysInItsConnectedRegion) {
  labelColumns({0, 0, 1, 1, 2, 2, 0, 0}, 3);
  status(3, 1) = CvStatusDelete;  // stops the flood there, not around it
  run(classification::kSelectLabelRegions, Box{0, 0, 0, 0});
  EXPECT_EQ(keptColumns(), (std::vector<int>{0}));
  EXPECT_EQ(status(5, 1), CvStatusKeep);
  EXPECT_EQ(status(3, 1), CvStatusDelete);
  EXPECT_EQ(status(0, 6), CvStatusInPicture);
}

TEST_F(SelectModes, RegionStrokeAtAColourLevelGrowsAcrossMarkedClusters) {
  labelColumns({0, 0, 1, 1, 0, 0, 2, 0}, 3);
  // Seeds in clusters 0 and 1: the growth crosses from them into the next run of cluster 0,
  // but not over cluster 2.
  run(classification::kSelectRegions, Box{0, 0, 0, 2});
  EXPECT_EQ(keptColumns(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  // One seed in cluster 0 only: its flood stops at cluster 1.
  status = CvStatusInPicture;
  run(classification::kSelectRegions, Box{0, 0, 0, 0});
  EXPECT_EQ(keptColumns(), (std::vector<int>{0, 1}));
}

TEST_F(SelectModes, LeftoversInTheWorkMaskAreNeitherBlockingNorApplied) {
  labelColumns({0, 0, 1, 1, 0, 0, 2, 0}, 3);
  // An earlier operation left new statuses all over the mask.
  state.workMask() = CvStatusDelete;
  run(classification::kSelectRegions, Box{0, 0, 0, 0});
  EXPECT_EQ(keptColumns(), (std::vector<int>{0, 1}));
  for (int r = 0; r < 6; ++r)
    for (int c = 2; c < 8; ++c) EXPECT_EQ(status(r, c), CvStatusInPicture) << r << "," << c;
  state.workMask() = CvStatusDelete;
  run(classification::kSelectLabelRegions, Box{0, 4, 0, 4});
  EXPECT_EQ(keptColumns(), (std::vector<int>{0, 1, 4, 5}));
  EXPECT_EQ(status(0, 7), CvStatusInPicture);
}

TEST_F(SelectModes, AStatusThatWouldBecomeZeroIsNotFlooded) {
  labelColumns({0, 0, 0, 0, 0, 0, 0, 0}, 1);
  // Clearing every bit of a class-free pixel would give 0, which marks nothing: the flood must
  // end all the same and leave such pixels alone.
  status = CvStatusForcedEdge;
  status(0, 0) = CvStatusForcedEdge | CvStatusInPicture;
  const SelectRequest clear{
      classification::kSelectLabelRegions, 0, CvStatusForcedEdge, CvStatusInPicture, 0, 3};
  classification::select(state, Box{0, 0, 5, 7}, nullptr, status, clear, ProgressRange());
  EXPECT_EQ(status(0, 0), CvStatusInPicture);
  EXPECT_EQ(status(1, 1), CvStatusForcedEdge);
}

}  // namespace
