#include "classification/RankFilter.h"
#include "util/EdgeReplication.h"

#include "ClassificationTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using classification::fractionRank;
using classification::makeDisc;
using classification::rankFilter;
using classification::rankFilterMany;

namespace {

template <class T>
blitz::Array<T, 2> randomImage(int rowBase, int colBase, int rows, int cols, int maxValue,
                               std::mt19937& rng) {
  blitz::Array<T, 2> a(blitz::TinyVector<int, 2>(rowBase, colBase),
                       blitz::TinyVector<int, 2>(rows, cols));
  std::uniform_int_distribution<int> value(0, maxValue);
  for (int r = a.lbound(0); r <= a.ubound(0); ++r)
    for (int c = a.lbound(1); c <= a.ubound(1); ++c) a(r, c) = static_cast<T>(value(rng));
  return a;
}

// Filters the input's interior (inset by the kernel's reach) and compares every output pixel
// with the sorted window.
template <class T>
void checkAgainstSorting(const blitz::Array<T, 2>& input, const blitz::Array<int32_t, 2>& kernel,
                         int direction, float fraction, int lo, int hi) {
  const int reach = std::max({std::abs(kernel.lbound(0)), std::abs(kernel.ubound(0)),
                              std::abs(kernel.lbound(1)), std::abs(kernel.ubound(1))});
  const int r0 = input.lbound(0) + reach, r1 = input.ubound(0) - reach;
  const int c0 = input.lbound(1) + reach, c1 = input.ubound(1) - reach;
  blitz::Array<T, 2> out(blitz::TinyVector<int, 2>(r0, c0),
                         blitz::TinyVector<int, 2>(r1 - r0 + 1, c1 - c0 + 1));
  out = T(0);
  rankFilter<T>(out, input, kernel, direction, fraction, lo, hi, ProgressRange());
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      std::vector<int> window;
      for (int i = kernel.lbound(0); i <= kernel.ubound(0); ++i)
        for (int j = kernel.lbound(1); j <= kernel.ubound(1); ++j)
          if (kernel(i, j))
            window.push_back(
                std::min(hi, std::max(lo, int(input(r + direction * i, c + direction * j)))));
      ASSERT_EQ(int(out(r, c)), classification_test::sortedRank(window, fraction))
          << "at " << r << "," << c << " fraction " << fraction;
    }
  }
}

TEST(RankFilter, MatchesSortedWindowOnRandomImages) {
  // Discs of eight rows and more are swept sixteen columns at a time: outputs 37 columns wide
  // take two whole blocks and a remainder, and discs of more than sixteen rows take their rows
  // in several groups.
  std::mt19937 rng(7);
  for (int n : {1, 2, 3, 4, 5, 6, 8, 13, 16, 21, 34}) {
    const blitz::Array<int32_t, 2> disc = makeDisc(n);
    for (int maxBits : {1, 3, 7, 8}) {
      if (n >= 8 && maxBits < 7) continue;
      const int maxValue = (1 << maxBits) - 1;
      const auto input =
          n < 8 ? randomImage<uint8_t>(-3, 5, 17, 23, maxValue, rng)
                : randomImage<uint8_t>(-6, 3, 2 * (n - 1) + 4, 2 * (n - 1) + 37, maxValue, rng);
      for (float f : {0.0f, 1.0f / 6.0f, 0.5f, 0.73f, 5.0f / 6.0f, 1.0f}) {
        for (int direction : {1, -1}) {
          SCOPED_TRACE(testing::Message() << "n " << n << " bits " << maxBits << " f " << f);
          checkAgainstSorting(input, disc, direction, f, 0, maxValue);
        }
      }
    }
  }
}

TEST(RankFilter, SmallDiscsOnWideOutputs) {
  // Outputs of sixteen columns and more are taken sixteen anchors at a time where a disc has
  // few cells: whole blocks, blocks with a remainder that overlaps the last one, fractions
  // near either end (short lists) and near the middle (the histogram sweep again), samples
  // up to 255. PairEqualsTwoSingleFilters takes two fractions at once.
  std::mt19937 rng(31);
  for (int n : {1, 2, 3, 5, 6, 7}) {
    const blitz::Array<int32_t, 2> disc = makeDisc(n);
    for (int width : {16, 17, 40}) {
      for (int maxBits : {1, 7, 8}) {
        const int maxValue = (1 << maxBits) - 1;
        const auto input =
            randomImage<uint8_t>(2, -4, 2 * (n - 1) + 5, 2 * (n - 1) + width, maxValue, rng);
        for (float f : {0.0f, 0.05f, 1.0f / 6.0f, 0.31f, 0.5f, 5.0f / 6.0f, 0.97f, 1.0f}) {
          for (int direction : {1, -1}) {
            SCOPED_TRACE(testing::Message()
                         << "n " << n << " width " << width << " bits " << maxBits << " f " << f);
            checkAgainstSorting(input, disc, direction, f, 0, maxValue);
          }
        }
      }
    }
  }
}

TEST(RankFilter, LargeDiscsOnStridedClampedAndOffsetSamples) {
  std::mt19937 rng(23);
  const auto disc = makeDisc(16);
  const auto values = randomImage<uint8_t>(0, 0, 40, 70, 127, rng);
  // The same samples in every other byte of a pair array.
  blitz::Array<blitz::TinyVector<uint8_t, 2>, 2> pairs(values.extent());
  pairs = blitz::TinyVector<uint8_t, 2>(200, 200);
  blitz::Array<uint8_t, 2> strided = pairs.extractComponent(uint8_t(), 1, 2);
  strided = values;
  for (float f : {1.0f / 6.0f, 1.0f}) {
    checkAgainstSorting(strided, disc, 1, f, 0, 127);
    checkAgainstSorting(values, disc, -1, f, 0, 127);
    // Samples above the top bin count there; a lower bound above 0 shifts the bins.
    checkAgainstSorting(values, disc, 1, f, 0, 90);
    checkAgainstSorting(values, disc, -1, f, 20, 127);
  }
}

TEST(RankFilter, PairEqualsTwoSingleFilters) {
  // Two fractions at once, one from each end, as the analysis image's first pass asks: by
  // selection (a small disc) and by the block sweep (a large one).
  std::mt19937 rng(11);
  const auto large = randomImage<uint8_t>(0, 0, 45, 70, 127, rng);
  for (const int side : {5, 16}) {
    SCOPED_TRACE(testing::Message() << "disc " << side);
    const auto disc = makeDisc(side);
    blitz::Array<uint8_t, 2> c(30, 55), d(30, 55), singleC(30, 55), singleD(30, 55);
    rankFilterMany<uint8_t, 2>({c, d}, large, disc, 1, {1.0f / 6.0f, 5.0f / 6.0f}, 0, 127,
                               ProgressRange());
    rankFilter<uint8_t>(singleC, large, disc, 1, 1.0f / 6.0f, 0, 127, ProgressRange());
    rankFilter<uint8_t>(singleD, large, disc, 1, 5.0f / 6.0f, 0, 127, ProgressRange());
    EXPECT_TRUE(blitz::all(c == singleC));
    EXPECT_TRUE(blitz::all(d == singleD));
  }
}

TEST(RankFilter, WideWindowsOnEveryPath) {
  // 8-bit windows of eight rows and more go down strips of sixteen columns, whatever their
  // shape: discs, and a ring (two cells leave and enter most columns). 16-bit samples go the
  // general way.
  std::mt19937 rng(43);
  // Disc sides, 0 for the ring, with the largest sample value.
  for (const auto& [side, maxValue] : {std::pair{17, 255}, {20, 127}, {0, 255}}) {
    blitz::Array<int32_t, 2> kernel = makeDisc(side ? side : 19);
    if (side == 0) kernel(blitz::Range(6, 12), blitz::Range(6, 12)) = 0;
    const int n = kernel.extent(0);
    // Mostly one value, as a flat area is: the cursors rest in one crowded bin and jump at
    // the rare other values.
    auto input = randomImage<uint8_t>(1, -2, 2 * n + 3, 2 * n + 17, maxValue, rng);
    for (auto& v : input)
      if (rng() % 32 != 0) v = uint8_t(maxValue / 2);
    for (float f : {0.0f, 1.0f / 6.0f, 0.5f, 1.0f}) {
      SCOPED_TRACE(testing::Message() << "side " << side << " f " << f);
      checkAgainstSorting(input, kernel, n % 2 ? 1 : -1, f, 0, maxValue);
    }
  }
  // The strips take rows in chunks: outputs of 150 rows cross chunk boundaries, 21 columns
  // leave an overlapping last strip.
  const auto tall = randomImage<uint8_t>(0, 0, 166, 37, 127, rng);
  for (float f : {1.0f / 6.0f, 0.9f}) checkAgainstSorting(tall, makeDisc(9), 1, f, 0, 127);
  for (int n : {9, 17}) {
    const auto input = randomImage<uint16_t>(0, 0, 2 * n + 3, 2 * n + 19, 65535, rng);
    for (float f : {1.0f / 6.0f, 0.5f}) checkAgainstSorting(input, makeDisc(n), 1, f, 0, 65535);
    checkAgainstSorting(input, makeDisc(n), -1, 0.3f, 900, 40000);
  }
}

blitz::Array<int32_t, 2> ones3x3() {
  blitz::Array<int32_t, 2> k(blitz::Range(-1, 1), blitz::Range(-1, 1));
  k = 1;
  return k;
}

TEST(RankFilter, SamplesOutsideTheRangeAreCountedAtItsBounds) {
  // A 32768-limited histogram fed full-range 16-bit samples must not index past its end.
  std::mt19937 rng(3);
  const auto input = randomImage<uint16_t>(0, 0, 12, 14, 65535, rng);
  for (float f : {0.0f, 0.5f, 0.9f, 1.0f}) checkAgainstSorting(input, ones3x3(), 1, f, 0, 32768);
  for (float f : {0.0f, 0.3f, 1.0f}) checkAgainstSorting(input, ones3x3(), 1, f, 1000, 40000);
}

}  // namespace
