#include <gtest/gtest.h>

#include "ClassificationTestSupport.h"
#include "SegmentationFixtures.h"
#include "util/ProcessorCount.h"

using namespace segmentation_test;

namespace {

// Marks placed in every stage's output after a run: a stage that recomputes overwrites its own.
struct Marks {
  static void place(Seg& seg) {
    seg.blockHistograms(0, 0)[3].bins(seg.blockHistograms(0, 0)[3].firstBin()) = -99;
    seg.gradientImage(5, 5)[0] = 3;
    seg.localValueMap.array()(5, 5) = 77;
    seg.innerLabels(5, 5) = 123456;
  }
  static bool histograms(const Seg& seg) {
    const auto& h = seg.blockHistograms(0, 0)[3];
    return h.bins(h.firstBin()) == -99;
  }
  static bool gradients(const Seg& seg) { return seg.gradientImage(5, 5)[0] == 3; }
  static bool values(const Seg& seg) { return seg.localValues()(5, 5) == 77; }
  static bool labels(const Seg& seg) { return seg.innerLabels(5, 5) == 123456; }
};

class SegmentationRun : public ::testing::Test {
 protected:
  void SetUp() override {
    seg.setImage(photoLike(40, 48));
    seg.baseRecord = analysisRecord();
  }
  Seg seg;
};

TEST_F(SegmentationRun, RecomputesOnlyWhatItsParametersMadeStale) {
  ASSERT_TRUE(seg.run(ProgressRange()));
  for (const LevelRecord& slot : seg.levelRecords) EXPECT_EQ(slot, seg.baseRecord);
  EXPECT_GT(seg.innerLabelCount, 1);

  Marks::place(seg);
  EXPECT_FALSE(seg.run(ProgressRange()));  // same parameters: nothing is touched
  EXPECT_TRUE(Marks::histograms(seg) && Marks::gradients(seg) && Marks::values(seg) &&
              Marks::labels(seg));

  seg.baseRecord.innerScale = 3.0f;  // the image tolerance feeds the region flood alone
  EXPECT_TRUE(seg.run(ProgressRange()));
  EXPECT_TRUE(Marks::histograms(seg) && Marks::gradients(seg) && Marks::values(seg));
  EXPECT_FALSE(Marks::labels(seg));

  Marks::place(seg);
  seg.baseRecord.valueLimit = 5;  // the value bounds feed the last two stages
  EXPECT_TRUE(seg.run(ProgressRange()));
  EXPECT_TRUE(Marks::histograms(seg) && Marks::gradients(seg));
  EXPECT_FALSE(Marks::values(seg) || Marks::labels(seg));

  // histogramMode changes count only while the recorded mode is at most 2.
  seg.baseRecord.histogramMode = 3;
  EXPECT_FALSE(seg.run(ProgressRange()));
  seg.baseRecord.histogramMode = 1;
  EXPECT_FALSE(seg.run(ProgressRange()));  // recorded 3 (> 2): ignored
  seg.baseRecord.histogramMode = 2;
  EXPECT_TRUE(seg.run(ProgressRange()));  // recorded 1: stale
  EXPECT_FALSE(Marks::histograms(seg) || Marks::gradients(seg));

  seg.baseRecord.innerScale = 1.0f;  // region stages off
  EXPECT_TRUE(seg.run(ProgressRange()));
  EXPECT_EQ(seg.innerLabelCount, -1);
  EXPECT_EQ(seg.innerLabels.numElements(), 0u);
  EXPECT_EQ(seg.regionMap.numElements(), 0u);
}

TEST_F(SegmentationRun, CancellationLeavesEverySlotFresh) {
  ASSERT_TRUE(seg.run(ProgressRange()));
  Marks::place(seg);
  seg.baseRecord.windowRadius = 2;
  enginetest::ProgressRecorder ui(0, "After array creation");
  EXPECT_THROW(seg.run(ProgressRange(&ui, 0.0f, 1.0f)), CvExCancel);
  EXPECT_TRUE(allFresh(seg));
  Marks::place(seg);
  EXPECT_TRUE(seg.run(ProgressRange()));  // starts over from the histograms
  EXPECT_FALSE(Marks::histograms(seg) || Marks::gradients(seg) || Marks::values(seg) ||
               Marks::labels(seg));
}

}  // namespace
