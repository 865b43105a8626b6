#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

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
  FloodPicture picture(5, 5, 50);
  auto& pixels = picture.pixels;
  auto& labelArray = picture.labelArray;
  labelArray(2, 2) = 1;
  labelArray(0, 0) = 4;
  corvane::WatershedLabels labels(labelArray);
  TimedWatershedState state(pixels, labels, corvane::Box{0, 0, 4, 4}, 0);
  const int32_t q = state.position(2, 2);
  const int32_t w = state.rowStep;
  corvane::pushTimedEdges(w, q, state, 100, 0u, 0u);
  auto& bucket = state.queue.buckets[50];
  EXPECT_EQ(state.queue.current, 50);
  EXPECT_EQ(state.queue.count, 8u);
  const int32_t targets[8] = {q - 1,     q + 1,     q - w,     q + w,
                              q + w - 1, q + w + 1, q - w - 1, q - w + 1};
  for (int k = 0; k < 8; ++k) {
    const TimedEdge edge = bucket.front(50);
    EXPECT_EQ(edge.target, targets[k]);
    EXPECT_EQ(edge.weight, k < 4 ? 70 : 99);
    EXPECT_EQ(edge.sourceLabel, 1);
    corvane::dropFrontEdge(state.queue);
  }
  EXPECT_EQ(state.queue.count, 0u);
  EXPECT_EQ(state.queue.current, 0);

  // A corner pixel offers only its three neighbours inside the arrays, and not (1, 1), which
  // already waits at priority 50 from the centre.
  corvane::pushTimedEdges(w, state.position(0, 0), state, 40, 0u, 0u);
  EXPECT_EQ(state.queue.count, 2u);
  EXPECT_EQ(state.queue.buckets[40].front(40).target, state.position(0, 1));
}

// Records that could only be taken without effect are not queued: a neighbour waiting at the
// same or a higher priority already will be labelled by that earlier record.
TEST(TimedFlood, NeighbourWaitingAtAHigherPriorityIsNotQueuedAgain) {
  FloodPicture picture(1, 4, 10);
  auto& pixels = picture.pixels;
  auto& labelArray = picture.labelArray;
  pixels(0, 2) = TimedWatershedState::Pixel(0, 60, 0);
  pixels(0, 3) = TimedWatershedState::Pixel(0, 90, 0);
  labelArray(0, 0) = 1;
  labelArray(0, 2) = 2;
  corvane::WatershedLabels labels(labelArray);
  TimedWatershedState state(pixels, labels, corvane::Box{0, 0, 0, 3}, 0);
  const int32_t w = state.rowStep;
  corvane::pushTimedEdges(w, state.position(0, 0), state, 30, 0u, 0u);  // (0, 1) at 10
  corvane::pushTimedEdges(w, state.position(0, 2), state, 10, 0u, 0u);  // same priority: no
  EXPECT_EQ(state.queue.count, 2u);  // (0, 1) once, and (0, 3) at 10
  corvane::pushTimedEdges(w, state.position(0, 2), state, 95, 0u, 0u);  // higher: queued
  EXPECT_EQ(state.queue.count, 4u);
  EXPECT_EQ(state.queue.current, 90);
  EXPECT_EQ(state.queue.buckets[10].size(), 2u);
  EXPECT_EQ(state.queue.buckets[60].front(60).target, state.position(0, 1));
  EXPECT_EQ(state.queue.buckets[90].front(90).target, state.position(0, 3));
  EXPECT_EQ(state.queue.buckets[10].front(10).target, state.position(0, 1));
}

// Equal priorities leave in the order they came, also across the ring's growth and wrap.
TEST(TimedFlood, BucketKeepsArrivalOrderAcrossGrowth) {
  corvane::TimedBucket bucket;
  int32_t pushed = 0;
  int32_t taken = 0;
  for (int round = 0; round < 40; ++round) {
    for (int k = 0; k < 7 + round; ++k, ++pushed) bucket.push(pushed, pushed, pushed % 3 == 0);
    for (int k = 0; k < 5 + round / 2; ++k, ++taken) {
      const TimedEdge edge = bucket.front(7);
      ASSERT_EQ(edge.target, taken);
      ASSERT_EQ(edge.sourceLabel, taken);
      ASSERT_EQ(edge.weight, taken % 3 == 0 ? 99 : 70);
      bucket.popFront();
    }
  }
  EXPECT_EQ(bucket.size(), size_t(pushed - taken));
}

// The copies into and out of the flood's layout run in bands on all processors; labels and
// their count do not depend on how many there are.
TEST(TimedFlood, SameLabelsForEveryProcessorCount) {
  std::vector<int32_t> reference;
  int32_t referenceCount = 0;
  for (unsigned threads : {1u, 2u, 3u, 8u}) {
    corvane::setProcessorCountOverride(threads);
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
    ASSERT_TRUE(seg.watershedInnerStage(true, ProgressRange()));
    std::vector<int32_t> labels(seg.innerLabels.begin(), seg.innerLabels.end());
    if (reference.empty()) {
      reference = labels;
      referenceCount = seg.innerLabelCount;
      EXPECT_GT(referenceCount, 10);
    }
    EXPECT_EQ(labels, reference) << threads;
    EXPECT_EQ(seg.innerLabelCount, referenceCount) << threads;
  }
  corvane::setProcessorCountOverride(0);
}

TEST(TimedFlood, CheckpointsRiseWithinTheNarrowedRange) {
  Seg seg;
  blitz::Array<ImagePixel, 2> image(300, 300);
  image = ImagePixel(0, 0, 0, 0, 0, 0);
  seg.setImage(image);
  seg.gradientImage.resize(blitz::Range(-2, 301), blitz::Range(-2, 301));
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
