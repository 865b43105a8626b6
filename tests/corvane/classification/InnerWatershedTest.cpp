#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "SegmentationFixtures.h"
#include "watershed/WatershedTimed.h"

using namespace segmentation_test;
using corvane::TimedEdge;
using corvane::TimedWatershedState;

namespace {

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

TEST(InnerWatershed, SwitchedOffAtImageToleranceOneOrBelow) {
  for (float innerScale : {1.0f, 0.5f, std::nanf("")}) {
    Seg seg;
    moatImage(seg, 1.0f, 2.0f);
    ASSERT_TRUE(seg.watershedInnerStage(true, ProgressRange()));
    seg.baseRecord.innerScale = innerScale;
    EXPECT_TRUE(seg.watershedInnerStage(true, ProgressRange()));
    EXPECT_EQ(seg.innerLabels.numElements(), 0u);
    EXPECT_EQ(seg.regionMap.numElements(), 0u);
    EXPECT_EQ(seg.innerLabelCount, -1);
  }
}

TEST(TimedFlood, NeighboursQueueInOfferOrderAndNeverLeaveTheArrays) {
  blitz::Array<TimedWatershedState::Pixel, 2> pixels(5, 5);
  pixels = TimedWatershedState::Pixel(0, 50, 0);
  blitz::Array<int32_t, 2> labelArray(5, 5);
  labelArray = -1;
  labelArray(2, 2) = 1;
  labelArray(0, 0) = 4;
  corvane::WatershedLabels labels(labelArray);
  TimedWatershedState state(pixels, labels, corvane::Box{0, 0, 4, 4}, 0);
  const int32_t q = state.position(2, 2);
  const int32_t w = state.rowStep;
  corvane::pushTimedEdges(w, q, state, 100, 5u, 7u);
  auto& bucket = state.queue.buckets[50];
  EXPECT_EQ(state.queue.current, 50);
  EXPECT_EQ(state.queue.count, 8u);
  const int32_t targets[8] = {q - 1,     q + 1,     q - w,     q + w,
                              q + w - 1, q + w + 1, q - w - 1, q - w + 1};
  for (int k = 0; k < 8; ++k) {
    const TimedEdge edge = bucket.front(50);
    EXPECT_EQ(edge.target, targets[k]);
    EXPECT_EQ(edge.weight, k < 4 ? 70 : 99);
    EXPECT_EQ(edge.plateau, 0u);  // below the front's priority
    EXPECT_EQ(edge.steps, 7u + uint32_t(edge.weight));
    corvane::dropFrontEdge(state.queue);
  }
  EXPECT_EQ(state.queue.count, 0u);
  EXPECT_EQ(state.queue.current, 0);

  // A corner pixel offers only its three neighbours inside the arrays; counters wrap.
  corvane::pushTimedEdges(w, state.position(0, 0), state, 40, 0xFFFFFFF0u, 0u);
  EXPECT_EQ(state.queue.count, 3u);
  EXPECT_EQ(state.queue.buckets[40].front(40).plateau, 0xFFFFFFF0u + 70u);
}

TEST(TimedFlood, CheckpointsRiseWithinTheNarrowedRange) {
  Seg seg;
  blitz::Array<ImagePixel, 2> image(200, 200);
  image = ImagePixel(0, 0, 0, 0, 0, 0);
  seg.setImage(image);
  seg.gradientImage.resize(blitz::Range(-2, 201), blitz::Range(-2, 201));
  seg.gradientImage = Seg::GradientPixel(100, 200, 0);
  seg.baseRecord = analysisRecord();
  Recorder ui;
  ASSERT_TRUE(seg.watershedInnerStage(true, ProgressRange(&ui, 0.5f, 1.0f)));
  ASSERT_GE(ui.reports.size(), 2u);
  const std::string text =
      "corvane/include/watershed/Watershed: 1229:\n(before [Watershed inner]): ";
  float previous = 0.5f;
  for (const auto& r : ui.reports) {
    EXPECT_EQ(r.second, text);
    EXPECT_GE(r.first, previous);
    EXPECT_LE(r.first, 0.05f * 0.5f + 0.95f);
    previous = r.first;
  }
}

}  // namespace
