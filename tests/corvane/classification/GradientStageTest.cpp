#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ClassificationTestSupport.h"
#include "SegmentationFixtures.h"
#include "classification/GradientUpdater.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"

using namespace segmentation_test;
using classification::BlockGrid;
using classification::blockGridOf;
using classification::GradientUpdater;

namespace {

bool allZero(const blitz::Array<Seg::GradientPixel, 2>& a) {
  for (const auto& p : a)
    if (p[0] != 0 || p[1] != 0 || p[2] != 0) return false;
  return true;
}

// Histograms and modes ready for the gradient stage.
void prepare(Seg& seg, blitz::Array<ImagePixel, 2> image, int32_t blockSize) {
  seg.setImage(image);
  seg.baseRecord = analysisRecord();
  seg.baseRecord.blockSize = blockSize;
  seg.updateHistograms(false, ProgressRange());
  seg.watershedLevels(true, ProgressRange());
}

// The stage's bytes derived afresh from the per-pixel values: scaled, then the maximum
// (channel 0) and minimum (channel 1) over the four 2 x 2 neighbourhoods of each inner
// pixel, and every other pixel of the widened image a copy of the nearest inner pixel.
void expectGradientBytes(const Seg& seg) {
  const corvane::Box& d = seg.imageDomain;
  GradientUpdater reference(const_cast<Seg*>(&seg), blockGridOf(d, seg.baseRecord.blockSize),
                            blitz::Array<GradientUpdater::Values, 2>(), nullptr);
  blitz::Array<GradientUpdater::Values, 2> v(blitz::Range(d.lowerRow, d.upperRow - 1),
                                             blitz::Range(d.lowerColumn, d.upperColumn - 1));
  float m = 1e30f, M = -1e30f;
  for (int r = v.lbound(0); r <= v.ubound(0); ++r) {
    for (int s = v.lbound(1); s <= v.ubound(1); ++s) {
      v(r, s) = reference.pixelValues(r, s);
      m = std::min(m, v(r, s)[1]);
      M = std::max(M, v(r, s)[0]);
    }
  }
  const float scale = M == m ? 1.0f : 255.99f / (M - m);
  EXPECT_EQ(seg.gradientScale, scale);
  auto byte = [&](int r, int s, int k) {
    return corvane::saturatingCast<unsigned char>((v(r, s)[k] - m) * scale);
  };
  for (int r = d.lowerRow - 2; r <= d.upperRow + 2; ++r) {
    for (int s = d.lowerColumn - 2; s <= d.upperColumn + 2; ++s) {
      const int ri = std::min(std::max(r, d.lowerRow + 1), d.upperRow - 1);
      const int si = std::min(std::max(s, d.lowerColumn + 1), d.upperColumn - 1);
      const int most = std::max(
          {byte(ri - 1, si - 1, 0), byte(ri - 1, si, 0), byte(ri, si - 1, 0), byte(ri, si, 0)});
      const int least = std::min(
          {byte(ri - 1, si - 1, 1), byte(ri - 1, si, 1), byte(ri, si - 1, 1), byte(ri, si, 1)});
      ASSERT_EQ(seg.gradientImage(r, s)[0], most) << r << "," << s;
      ASSERT_EQ(seg.gradientImage(r, s)[1], least) << r << "," << s;
    }
  }
}

TEST(GradientStage, BytesAreTheScaledNeighbourhoodExtremes) {
  // Three processors cut the tall image's tail into uneven bands.
  for (auto shape : {std::make_pair(30, 37), std::make_pair(83, 9)}) {
    for (unsigned threads : {1u, 3u}) {
      classification_test::ProcessorOverride override(threads);
      Seg seg;
      prepare(seg, photoLike(shape.first, shape.second, 3, -2), 4);
      ASSERT_TRUE(seg.updateGradients(true, ProgressRange()));
      expectGradientBytes(seg);
      EXPECT_EQ(seg.gradientView.lbound(0), 3);
      EXPECT_EQ(&seg.gradientView(3, -2), &seg.gradientImage(3, -2));

      // Not forced: nothing changes.
      seg.gradientImage(4, 0)[0] = 1;
      EXPECT_FALSE(seg.updateGradients(false, ProgressRange()));
      EXPECT_EQ(seg.gradientImage(4, 0)[0], 1);
    }
  }
}

TEST(GradientStage, ThinAndFlatImages) {
  Seg seg;
  prepare(seg, photoLike(2, 9), 4);  // no inner pixel: all zero
  seg.gradientImage = Seg::GradientPixel(5, 5, 5);
  ASSERT_TRUE(seg.updateGradients(true, ProgressRange()));
  EXPECT_TRUE(allZero(seg.gradientImage));

  prepare(seg, photoLike(1, 9), 4);  // no values at all
  seg.gradientScale = 7.0f;
  ASSERT_TRUE(seg.updateGradients(true, ProgressRange()));
  EXPECT_EQ(seg.gradientScale, 1.0f);
  EXPECT_TRUE(allZero(seg.gradientImage));

  blitz::Array<ImagePixel, 2> flat(6, 7);  // one block, one value everywhere
  flat = ImagePixel(10, 10, 10, 10, 10, 10);
  prepare(seg, flat, 8);
  ASSERT_TRUE(seg.updateGradients(true, ProgressRange()));
  EXPECT_EQ(seg.gradientScale, 1.0f);
}

TEST(GradientStage, EmptyValleysGiveFiniteSpreads) {
  Seg seg;
  seg.blockHistograms.resize(1, 1);
  for (int c = 0; c < 6; ++c) {
    auto& h = seg.blockHistograms(0, 0)[c];
    classification::subdivideRange(h, 0, 20, 8, 0);
    h.firstModeNode = 0;
    h.endModeNode = 2;
    Seg::Node valley;  // ends at bin 5 with an empty valley
    valley.valleyIndex = 5;
    valley.sidePeak = 10;
    valley.valleyCount = 0;
    valley.peakCount = 10;
    Seg::Node last;
    last.valleyIndex = 256;
    last.peakCount = 4;
    seg.modeNodeLists[size_t(c)] = {valley, last};
  }
  const unsigned char lo[6] = {3, 3, 3, 3, 3, 3}, hi[6] = {9, 9, 9, 9, 9, 9};
  float s1 = 0.0f, s2 = 0.0f;
  seg.blockSpreads(seg.blockHistograms(0, 0), lo, hi, s1, s2);  // crosses the valley
  EXPECT_FLOAT_EQ(s1, 6.0f / 100.0f);
  EXPECT_EQ(s2, 6.0f);  // the empty valley counts as 1
  const unsigned char inside[6] = {7, 7, 7, 7, 7, 7};
  s1 = s2 = 0.0f;
  seg.blockSpreads(seg.blockHistograms(0, 0), inside, inside, s1, s2);  // within the last mode
  EXPECT_EQ(s1, s2);
  EXPECT_FLOAT_EQ(s1, 6.0f / 16.0f);
}

}  // namespace
