#include <gtest/gtest.h>

#include <climits>
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

}  // namespace
