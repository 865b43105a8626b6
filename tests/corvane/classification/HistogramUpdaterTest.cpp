#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <vector>

#include "ClassificationTestSupport.h"
#include "EngineTestSupport.h"
#include "SegmentationFixtures.h"
#include "classification/HistogramUpdater.h"
#include "classification/Segmentation.h"

using namespace classification;

namespace {

using Plane = blitz::Array<unsigned char, 2>;

Plane plane(int rows, int columns, std::initializer_list<int> values) {
  Plane p(rows, columns);
  auto v = values.begin();
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) p(r, c) = static_cast<unsigned char>(*v++);
  return p;
}

corvane::Box domainOf(const Plane& p) {
  return corvane::Box{p.lbound(0), p.lbound(1), p.ubound(0), p.ubound(1)};
}

std::vector<int32_t> counts(const Histogram1D& h) {
  return std::vector<int32_t>(h.bins.begin(), h.bins.end());
}

// The one fresh histogram of a 2 x 2 image (its window is pixel (0, 0)).
Histogram1D single(const Plane& p, int32_t bits, int32_t kind) {
  const BlockGrid grid = blockGridOf(domainOf(p), 4);
  const blitz::Array<Histogram1D, 2> fresh = freshBlockHistograms(p, domainOf(p), grid, bits, kind);
  EXPECT_EQ(fresh.numElements(), 1u);
  return fresh(0, 0);
}

TEST(BlockHistograms, PixelRulesPerKind) {
  const Plane p = plane(2, 2, {10, 13, 11, 12});
  Histogram1D h = single(p, 4, 0);  // shift 0: u = 1024 / 3 per value
  EXPECT_EQ(h.lo, 10);
  EXPECT_EQ(h.hi, 13);
  EXPECT_EQ(counts(h), (std::vector<int32_t>{341, 341, 341, 341}));
  h = single(p, 1, 1);  // even spread over the touched bins
  EXPECT_EQ(counts(h), (std::vector<int32_t>{1024, 1024}));
  h = single(p, 4, 2);  // halves (10, 11) and (12, 13), 512 units each
  EXPECT_EQ(counts(h), (std::vector<int32_t>{512, 512, 512, 512}));

  const Plane wide = plane(2, 2, {0, 8, 0, 8});
  h = single(wide, 8, 3);  // halves 0..4 and 4..8 at 512 / 4 per value
  EXPECT_EQ(counts(h), (std::vector<int32_t>{128, 128, 128, 128, 256, 128, 128, 128, 128}));
  for (int kind : {4, 17, -1}) {
    h = single(wide, 8, kind);  // an unknown rule enters nothing
    EXPECT_EQ(h.binCount(), 9);
    EXPECT_EQ(counts(h), std::vector<int32_t>(9, 0)) << kind;
  }
}

TEST(BlockHistograms, WindowsEmptyInADimensionAndTheRowBelow) {
  // One pixel wide: the window has no columns, every bin gets 1024 / bins.
  const Plane column = plane(5, 1, {0, 100, 50, 30, 200});
  const BlockGrid grid = blockGridOf(domainOf(column), 8);
  Histogram1D h = freshBlockHistograms(column, domainOf(column), grid, 4, 0)(0, 0);
  EXPECT_EQ(h.lo, 0);
  EXPECT_EQ(h.hi, 200);
  EXPECT_EQ(counts(h), std::vector<int32_t>(13, 1024 / 13));

  // A block uniformly 10 over a row of 200: the range reaches 200 and so do the weights.
  Plane p(9, 9);
  p = 10;
  p(4, blitz::Range::all()) = 200;
  for (int kind : {2, 3}) {
    h = freshBlockHistograms(p, domainOf(p), blockGridOf(domainOf(p), 4), 8, kind)(0, 0);
    EXPECT_EQ(h.lo, 10);
    EXPECT_EQ(h.hi, 200);
    EXPECT_GT(h.bins(200 >> h.shift), 0) << kind;
  }
}

// Fresh histograms of one count at a value distinct per block, for checking window sums.
blitz::Array<Histogram1D, 2> singletons(int rows, int columns, int32_t bits) {
  blitz::Array<Histogram1D, 2> fresh(rows, columns);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < columns; ++j) {
      const int32_t v = 7 * i + j;
      subdivideRange(fresh(i, j), v, v, bits, 0);
      fresh(i, j).bins = 64;
    }
  }
  return fresh;
}

// Window sum of the singletons over blocks rows i0..i1, columns j0..j1, at `bits`.
Histogram1D windowSum(const blitz::Array<Histogram1D, 2>& fresh, int i0, int i1, int j0, int j1,
                      int32_t bits) {
  const HistogramMerge merge{bits, 0};
  Histogram1D sum = fresh(i0, j0);
  for (int i = i0; i <= i1; ++i) {
    for (int j = j0; j <= j1; ++j) {
      if (i == i0 && j == j0) continue;
      Histogram1D next;
      merge.combine(next, sum, fresh(i, j));
      sum = next;
    }
  }
  return sum;
}

void expectSame(const Histogram1D& a, const Histogram1D& b) {
  EXPECT_EQ(a.shift, b.shift);
  EXPECT_EQ(a.lo, b.lo);
  EXPECT_EQ(a.hi, b.hi);
  EXPECT_EQ(a.firstBin(), b.firstBin());
  EXPECT_EQ(counts(a), counts(b));
}

TEST(BlockHistograms, WindowSumsAndEdgeCopies) {
  const int32_t bits = 2;  // coarse, so that the sums carry a shift to normalise by
  const blitz::Array<Histogram1D, 2> fresh = singletons(5, 5, bits);
  blitz::Array<Histogram1D, 2> out(5, 5);
  accumulateBlockHistograms(fresh, out, 1, bits);
  expectSame(out(2, 2), windowSum(fresh, 1, 3, 1, 3, bits));
  const Histogram1D corner = windowSum(fresh, 0, 2, 0, 2, bits);
  expectSame(out(1, 1), corner);
  expectSame(out(0, 0), corner);
  expectSame(out(4, 4), windowSum(fresh, 2, 4, 2, 4, bits));

  // Normalising every block once shifts the copies once: they hold bins of their own.
  ASSERT_GT(corner.shift, 0);
  for (Histogram1D& h : out) normaliseHistogram(h);
  Histogram1D expected = corner;
  normaliseHistogram(expected);
  for (auto ij :
       {std::make_pair(0, 0), std::make_pair(0, 1), std::make_pair(1, 0), std::make_pair(1, 1)})
    expectSame(out(ij.first, ij.second), expected);
  accumulateBlockHistograms(fresh, out, -3, bits);  // a radius below 0 keeps every block's own
  expectSame(out(3, 1), fresh(3, 1));
}

// Random ranges and counts on grids smaller and larger than the windows: every complete
// window against a plain chain of merges.
TEST(BlockHistograms, WindowSumsMatchChainedMerges) {
  std::mt19937 rng(4);
  for (const auto& shape : {std::make_pair(7, 6), std::make_pair(2, 9), std::make_pair(1, 1)}) {
    blitz::Array<Histogram1D, 2> fresh(shape.first, shape.second);
    for (Histogram1D& h : fresh) {
      const int32_t lo = int32_t(rng() % 200), hi = lo + int32_t(rng() % 56);
      subdivideRange(h, lo, hi, 4, 0);
      for (int32_t& v : h.bins) v = int32_t(rng() % 5000);
    }
    for (int32_t radius : {1, 2}) {
      blitz::Array<Histogram1D, 2> out(shape.first, shape.second);
      blitz::Array<Histogram1D, 2> normalised(shape.first, shape.second);
      accumulateBlockHistograms(fresh, out, radius, 4);
      accumulateBlockHistograms(fresh, normalised, radius, 4, true);
      for (int i = 0; i < shape.first; ++i) {
        for (int j = 0; j < shape.second; ++j) {
          Histogram1D expected = out(i, j);
          normaliseHistogram(expected);
          expectSame(normalised(i, j), expected);
        }
      }
      const int w0 = std::min(2 * radius + 1, shape.first);
      const int w1 = std::min(2 * radius + 1, shape.second);
      for (int i = w0 - 1 - w0 / 2; i <= shape.first - 1 - w0 / 2; ++i) {
        for (int j = w1 - 1 - w1 / 2; j <= shape.second - 1 - w1 / 2; ++j) {
          SCOPED_TRACE(testing::Message() << radius << " " << i << "," << j);
          expectSame(out(i, j), windowSum(fresh, i + w0 / 2 - w0 + 1, i + w0 / 2,
                                          j + w1 / 2 - w1 + 1, j + w1 / 2, 4));
        }
      }
    }
  }
}

TEST(BlockHistograms, SameForEveryWorkerCount) {
  // An odd grid (12 x 18 blocks, the last ones partial) split into bands of a block row or
  // column each; every kind and a wide window, so that the passes cross band borders.
  for (int32_t kind : {0, 3}) {
    enginetest::expectSameForEveryWorkerCount([&] {
      segmentation_test::Seg seg;
      seg.setImage(segmentation_test::photoLike(45, 71, 1, -3, 5));
      seg.baseRecord = segmentation_test::analysisRecord();
      seg.baseRecord.blockSize = 4;
      seg.baseRecord.windowRadius = 2;
      seg.baseRecord.blockHistogramKind = kind;
      seg.updateHistograms(false, ProgressRange());
      std::vector<std::vector<int32_t>> all;
      for (const auto& block : seg.blockHistograms) {
        for (int c = 0; c < 6; ++c) {
          all.push_back(counts(block[c]));
          all.back().insert(all.back().end(), {block[c].shift, block[c].lo, block[c].hi});
        }
      }
      return all;
    });
  }
}

}  // namespace
