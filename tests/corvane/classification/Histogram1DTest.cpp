#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "classification/Histogram1D.h"
#include "util/ByteComponent.h"

using classification::Histogram1D;
using classification::HistogramMerge;
using classification::kMaxHistogramShift;
using classification::subdivideRange;

namespace {

Histogram1D histogram(int32_t lo, int32_t hi, int32_t bits, std::vector<int32_t> counts) {
  Histogram1D h;
  subdivideRange(h, lo, hi, bits, 0);
  EXPECT_EQ(h.binCount(), int32_t(counts.size()));
  for (size_t k = 0; k < counts.size(); ++k) h.bins(h.firstBin() + int(k)) = counts[k];
  return h;
}

std::vector<int32_t> counts(const Histogram1D& h) {
  return std::vector<int32_t>(h.bins.begin(), h.bins.end());
}

TEST(Histogram1D, MergeCoversBothRangesAtTheCommonResolution) {
  const HistogramMerge merge{4, 0};
  // Ranges that neither overlap nor touch: the bins between stay 0.
  const Histogram1D a = histogram(0, 3, 4, {1, 2, 3, 4});
  const Histogram1D b = histogram(20, 23, 4, {5, 6, 7, 8});
  Histogram1D sum;
  merge.combine(sum, a, b);
  EXPECT_EQ(sum.lo, 0);
  EXPECT_EQ(sum.hi, 23);
  EXPECT_EQ(sum.shift, 1);
  EXPECT_EQ(counts(sum), (std::vector<int32_t>{3, 7, 0, 0, 0, 0, 0, 0, 0, 0, 11, 15}));

  // The sum does not depend on the order of the additions.
  const Histogram1D c = histogram(9, 60, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
  Histogram1D ab, abc, bc, abc2;
  merge.combine(ab, a, b);
  merge.combine(abc, ab, c);
  merge.combine(bc, b, c);
  merge.combine(abc2, a, bc);
  EXPECT_EQ(abc.shift, abc2.shift);
  EXPECT_EQ(counts(abc), counts(abc2));

  // Sums saturate instead of wrapping.
  const Histogram1D big = histogram(0, 0, 4, {INT_MAX - 1});
  merge.combine(sum, big, big);
  EXPECT_EQ(counts(sum), (std::vector<int32_t>{INT_MAX}));
}

// Bins small enough live in the histogram itself, larger ones on the heap: every way of
// copying or moving between the two kinds gives an independent histogram of the same range
// and counts.
TEST(Histogram1D, CopiesAndMovesBetweenOwnAndHeapBins) {
  auto ramp = [](int32_t first, int32_t count) {
    Histogram1D h;
    h.setBinRange(first, count);
    for (int32_t k = 0; k < count; ++k) h.bins(first + k) = 10 * first + k;
    h.shift = count;
    return h;
  };
  auto expectRamp = [](const Histogram1D& h, int32_t first, int32_t count) {
    ASSERT_EQ(h.firstBin(), first);
    ASSERT_EQ(h.binCount(), count);
    EXPECT_EQ(h.shift, count);
    for (int32_t k = 0; k < count; ++k) ASSERT_EQ(h.bins(first + k), 10 * first + k) << k;
  };
  const int32_t own = Histogram1D::kInlineBins, heap = Histogram1D::kInlineBins + 5;
  for (const int32_t from : {1, own, heap}) {
    for (const int32_t to : {0, 2, own, heap}) {
      SCOPED_TRACE(testing::Message() << from << " bins over " << to);
      const Histogram1D source = ramp(3, from);
      {
        Histogram1D copy(source);
        copy.bins = -1;  // deep: the source keeps its counts
        expectRamp(source, 3, from);
      }
      Histogram1D target = to == 0 ? Histogram1D() : ramp(7, to);
      target = source;
      expectRamp(target, 3, from);
      target.bins = -1;
      expectRamp(source, 3, from);

      target = to == 0 ? Histogram1D() : ramp(7, to);
      Histogram1D moved(source);
      target = std::move(moved);
      expectRamp(target, 3, from);
      Histogram1D constructed(std::move(target));
      expectRamp(constructed, 3, from);
      EXPECT_EQ(target.binCount(), 0);

      Histogram1D taken = to == 0 ? Histogram1D() : ramp(7, to);
      taken.takeBinsFrom(source);
      expectRamp(taken, 3, from);
    }
  }
  // A range of the same count moves along the value axis in the storage it has.
  Histogram1D h = ramp(3, 4);
  const int32_t* storage = h.bins.dataFirst();
  subdivideRange(h, 16, 19, 8, 0);
  EXPECT_EQ(h.firstBin(), 16);
  EXPECT_EQ(h.bins.dataFirst(), storage);
}

}  // namespace
