#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "EngineTestSupport.h"
#include "SegmentationFixtures.h"
#include "util/ProcessorCount.h"

using namespace segmentation_test;

namespace {

// A 40 x 40 image of 5 x 5 blocks of 8 whose block values are set through the best valleys.
struct ValueMapSetup {
  Seg seg;
  ValueMapSetup() {
    blitz::Array<ImagePixel, 2> image(40, 40);
    image = ImagePixel(0, 0, 0, 0, 0, 0);
    seg.setImage(image);
    seg.baseRecord = analysisRecord();
    seg.baseRecord.windowRadius = 0;  // W = 8
    seg.baseRecord.valueLimit = 64;   // lo = 64 * 8 * 1024, hi = 255 * 1024 * 8
    seg.blockHistograms.resize(5, 5);
    for (auto& block : seg.blockHistograms)
      for (int c = 0; c < 6; ++c) block[c].bestValleyNode = -1;
    Seg::Node node;  // value a * b: 1, raised to lo
    node.peakDistance = 1;
    node.valleyCount = 1;
    seg.modeNodeLists[0] = {node};
  }
};

TEST(LocalValueMap, BlockValuesFromTheBestValleys) {
  ValueMapSetup s;
  Seg& seg = s.seg;
  auto& block = seg.blockHistograms(0, 0);
  EXPECT_EQ(seg.blockValue(block, 10, 1000), 1000);  // no best valley anywhere: hi
  Seg::Node node;
  node.peakDistance = 3;
  node.valleyCount = 2;
  seg.modeNodeLists[2] = {node};
  block[2].bestValleyNode = 0;
  block[2].shift = 1;
  EXPECT_EQ(seg.blockValue(block, 0, 1000), 12);  // sqrt((9 << 2) / (1 / 4))
  EXPECT_EQ(seg.blockValue(block, 20, 1000), 20);
  EXPECT_EQ(seg.blockValue(block, 0, 10), 10);
  seg.modeNodeLists[2][0].valleyCount = 0;  // an empty valley: the value falls to lo
  EXPECT_EQ(seg.blockValue(block, 7, 1000), 7);
  seg.modeNodeLists[2][0] = node;
  seg.modeNodeLists[2][0].peakDistance = 256;  // wide shifts stay in range
  block[2].shift = 19;
  EXPECT_EQ(seg.blockValue(block, 0, 2000000000), 1 << 28);  // sqrt((256^2 << 38) * 4)
}

TEST(LocalValueMap, RiseIsLimitedAndTheMarginReplicated) {
  ValueMapSetup s;
  Seg& seg = s.seg;
  seg.blockHistograms(2, 2)[0].bestValleyNode = 0;  // a low block amid high ones
  ASSERT_TRUE(seg.buildLocalValueMap(true, ProgressRange()));
  const auto& bytes = seg.localValues();
  // The high blocks alone would give hi / 57 / 145.54 = 252; the low block keeps the rise
  // within 70 / 145.54 per step.
  EXPECT_LT(bytes(20, 20), bytes(0, 0));
  EXPECT_LT(bytes(0, 0), 252);
  for (int r = -2; r <= 41; ++r) {
    for (int c = -2; c <= 41; ++c) {
      for (int dr = 0; dr <= 1; ++dr) {
        for (int dc = -1; dc <= 1; ++dc) {
          if ((dr == 0 && dc <= 0) || r + dr > 41 || c + dc < -2 || c + dc > 41) continue;
          ASSERT_LE(std::abs(bytes(r, c) - bytes(r + dr, c + dc)), 1) << r << "," << c;
        }
      }
      const int ri = std::min(std::max(r, 0), 39), ci = std::min(std::max(c, 0), 39);
      ASSERT_EQ(bytes(r, c), bytes(ri, ci));
    }
  }
  // Unchanged bounds, not forced: fresh.
  seg.levelRecords[classification::kRegionSlot].valueLimit = 64;
  EXPECT_FALSE(seg.buildLocalValueMap(false, ProgressRange()));
}

TEST(LocalValueMap, HugeEdgeWidthsStayInRange) {
  ValueMapSetup s;
  Seg& seg = s.seg;
  seg.baseRecord.valueLimit = 1 << 28;
  seg.baseRecord.windowRadius = 1 << 20;
  seg.blockHistograms(1, 3)[0].bestValleyNode = 0;
  ASSERT_TRUE(seg.buildLocalValueMap(true, ProgressRange()));  // no overflow on the way
  seg.baseRecord.valueLimit = -5;                              // bounds below zero give zero radii
  ASSERT_TRUE(seg.buildLocalValueMap(true, ProgressRange()));
  for (unsigned char b : seg.localValues()) ASSERT_EQ(b, 0);
}

// The spread runs in row bands on all processors: bytes and reports are the same for every
// processor count, one spread report per row.
TEST(LocalValueMap, SameMapAndReportsForEveryWorkerCount) {
  const auto map = enginetest::expectSameForEveryWorkerCount([] {
    Seg seg;
    seg.setImage(photoLike(301, 37, 5, 4));
    seg.baseRecord = analysisRecord();
    seg.run(ProgressRange());
    enginetest::ProgressRecorder ui;
    seg.buildLocalValueMap(true, ProgressRange(&ui, 0.0f, 1.0f));
    const auto& bytes = seg.localValues();
    return std::make_pair(std::vector<unsigned char>(bytes.begin(), bytes.end()), ui.reports);
  });
  EXPECT_GE(map.second.size(), 301u);
}

}  // namespace
