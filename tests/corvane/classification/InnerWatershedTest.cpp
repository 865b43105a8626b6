#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "EngineTestSupport.h"
#include "SegmentationFixtures.h"
#include "util/ProcessorCount.h"
#include "watershed/WatershedTimed.h"

using namespace segmentation_test;
using corvane::TimedEdge;
using corvane::TimedWatershedState;

namespace {

// A rows x columns flood picture of one height, and its label array with every pixel open.
struct FloodPicture {
  FloodPicture(int rows, int columns, unsigned char height)
      : pixels(rows, columns), labelArray(rows, columns) {
    pixels = TimedWatershedState::Pixel(0, height, 0);
    labelArray = -1;
  }
  blitz::Array<TimedWatershedState::Pixel, 2> pixels;
  blitz::Array<int32_t, 2> labelArray;
};

// A 6 x 10 image whose gradient bytes are (seed, height) = (100, 200), cut by a moat two
// columns wide (columns 4 and 5) of (10, 10) running through the whole widened image.
void moatImage(Seg& seg, float gradientScale, float innerScale) {
  blitz::Array<ImagePixel, 2> image(6, 10);
  image = ImagePixel(0, 0, 0, 0, 0, 0);
  seg.setImage(image);
  seg.gradientImage.resize(blitz::Range(-2, 7), blitz::Range(-2, 11));
  seg.gradientImage = Seg::GradientPixel(100, 200, 0);
  seg.gradientImage(blitz::Range::all(), blitz::Range(4, 5)) = Seg::GradientPixel(10, 10, 0);
  seg.gradientScale = gradientScale;
  seg.baseRecord = analysisRecord();
  seg.baseRecord.innerScale = innerScale;
}

// Label of every pixel of the widened image, with the margin corner apart.
std::vector<int32_t> labelsOf(const Seg& seg) {
  std::vector<int32_t> labels;
  for (int r = -2; r <= 7; ++r)
    for (int c = -2; c <= 11; ++c) labels.push_back(seg.innerLabels(r, c));
  return labels;
}

std::vector<int32_t> expectedLabels(bool split) {
  std::vector<int32_t> labels;
  for (int r = -2; r <= 7; ++r)
    for (int c = -2; c <= 11; ++c)
      labels.push_back(r == -1 && c == -1 ? 0 : (split && c >= 5 ? 2 : 1));
  return labels;
}

TEST(InnerWatershed, MoatSeparatesTwoRegionsUpToTheArraysEdge) {
  Seg seg;
  moatImage(seg, 1.0f, 2.0f);  // tolerance trunc(ln 2) = 0
  ASSERT_TRUE(seg.watershedInnerStage(true, ProgressRange()));
  // The left front crosses into the moat's first column at its own priority; the right seed
  // starts before the front can step across the moat, and takes the second column. Every
  // pixel of the arrays, their outermost ring included, is labelled; only the margin corner
  // holds 0.
  EXPECT_EQ(labelsOf(seg), expectedLabels(true));
  EXPECT_EQ(seg.innerLabelCount, 3);
  EXPECT_EQ(seg.regionMap.lbound(0), 0);
  EXPECT_EQ(seg.regionMap.extent(1), 10);
}

TEST(InnerWatershed, ToleranceIsClampedToTheBucketRange) {
  for (float scale : {1e9f, std::numeric_limits<float>::infinity()}) {
    Seg seg;  // tolerance beyond 255: every edge keeps its front's priority, one region
    moatImage(seg, scale, 2.0f);
    ASSERT_TRUE(seg.watershedInnerStage(true, ProgressRange()));
    EXPECT_EQ(labelsOf(seg), expectedLabels(false)) << scale;
    EXPECT_EQ(seg.innerLabelCount, 2);
  }
  for (float scale : {-5.0f, std::nanf("")}) {
    Seg seg;  // negative or undefined tolerance: 0
    moatImage(seg, scale, 2.0f);
    ASSERT_TRUE(seg.watershedInnerStage(true, ProgressRange()));
    EXPECT_EQ(labelsOf(seg), expectedLabels(true)) << scale;
  }
}

TEST(InnerWatershed, SeedsEqualToTheFrontAreReachedNotStarted) {
  Seg seg;
  moatImage(seg, 1.0f, 2.0f);
  seg.gradientImage = Seg::GradientPixel(100, 200, 0);
  ASSERT_TRUE(seg.watershedInnerStage(true, ProgressRange()));
  EXPECT_EQ(labelsOf(seg), expectedLabels(false));
}

// The copies into and out of the flood's layout run in bands on all processors; labels and
// their count do not depend on how many there are.
TEST(TimedFlood, SameLabelsForEveryWorkerCount) {
  const auto labels = enginetest::expectSameForEveryWorkerCount([] {
    Seg seg;
    blitz::Array<ImagePixel, 2> image(203, 77);
    image = ImagePixel(0, 0, 0, 0, 0, 0);
    seg.setImage(image);
    seg.gradientImage.resize(blitz::Range(-2, 204), blitz::Range(-2, 78));
    for (int r = -2; r <= 204; ++r)
      for (int c = -2; c <= 78; ++c) {
        const uint32_t hash = uint32_t(r * 7919 + c * 104729) * 2654435761u;
        const unsigned char low = (hash >> 13) & 0xFF;
        seg.gradientImage(r, c) = Seg::GradientPixel((hash >> 5) & 0xFF, low, 0);
      }
    seg.gradientScale = 4.0f;
    seg.baseRecord = analysisRecord();
    seg.baseRecord.innerScale = 2.0f;
    seg.watershedInnerStage(true, ProgressRange());
    std::vector<int32_t> all(seg.innerLabels.begin(), seg.innerLabels.end());
    all.push_back(seg.innerLabelCount);
    return all;
  });
  EXPECT_GT(labels.back(), 10);
}

}  // namespace
