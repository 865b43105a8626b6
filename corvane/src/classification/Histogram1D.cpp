#include "classification/Histogram1D.h"

#include <algorithm>
#include <limits>

namespace classification {

namespace {

// A fresh, unshared copy of `bins` (an empty array stays empty).
blitz::Array<int32_t, 1> deepCopy(const blitz::Array<int32_t, 1>& bins) {
  if (bins.numElements() == 0) return blitz::Array<int32_t, 1>();
  return bins.copy();
}

void assignBins(blitz::Array<int32_t, 1>& to, const blitz::Array<int32_t, 1>& from) {
  if (from.numElements() == 0) {
    to.free();
    return;
  }
  if (to.numElements() == from.numElements()) {
    // Same length: histograms never share bins, so the storage can be reused, re-based.
    if (to.lbound(0) != from.lbound(0)) to.reindexSelf(from.lbound());
    if (to.stride(0) == 1 && from.stride(0) == 1)
      std::copy(from.data(), from.data() + from.numElements(), to.data());
    else
      to = from;
    return;
  }
  to.reference(from.copy());
}

// floor(log2(r)) for r >= 1.
int32_t binaryExponent(int32_t r) {
  return 31 - __builtin_clz(static_cast<uint32_t>(r));
}

}  // namespace

Histogram1D::Histogram1D(const Histogram1D& other)
    : bins(deepCopy(other.bins)),
      shift(other.shift),
      lo(other.lo),
      hi(other.hi),
      firstModeNode(other.firstModeNode),
      endModeNode(other.endModeNode),
      bestValleyNode(other.bestValleyNode) {}

Histogram1D::Histogram1D(Histogram1D&& other) noexcept
    : shift(other.shift),
      lo(other.lo),
      hi(other.hi),
      firstModeNode(other.firstModeNode),
      endModeNode(other.endModeNode),
      bestValleyNode(other.bestValleyNode) {
  bins.reference(other.bins);
  other.bins.free();
}

Histogram1D& Histogram1D::operator=(const Histogram1D& other) {
  if (this == &other) return *this;
  takeBinsFrom(other);
  firstModeNode = other.firstModeNode;
  endModeNode = other.endModeNode;
  bestValleyNode = other.bestValleyNode;
  return *this;
}

Histogram1D& Histogram1D::operator=(Histogram1D&& other) noexcept {
  if (this == &other) return *this;
  bins.reference(other.bins);
  other.bins.free();
  shift = other.shift;
  lo = other.lo;
  hi = other.hi;
  firstModeNode = other.firstModeNode;
  endModeNode = other.endModeNode;
  bestValleyNode = other.bestValleyNode;
  return *this;
}

void Histogram1D::takeBinsFrom(const Histogram1D& other) {
  if (this == &other) return;
  assignBins(bins, other.bins);
  shift = other.shift;
  lo = other.lo;
  hi = other.hi;
}

void subdivideRange(Histogram1D& histogram, int32_t lo, int32_t hi, int32_t bits,
                    int32_t minimumShift) {
  histogram.lo = lo;
  histogram.hi = hi;
  int64_t r = int64_t(hi) - lo;
  if (r < 2) r = 1;
  const int32_t exponent =
      r > std::numeric_limits<int32_t>::max() ? 31 : binaryExponent(static_cast<int32_t>(r));
  int64_t shift = std::max<int64_t>(minimumShift, int64_t(exponent) - bits + 1);
  shift = std::min<int64_t>(std::max<int64_t>(shift, 0), kMaxHistogramShift);
  histogram.shift = static_cast<int32_t>(shift);
  const int32_t first = lo >> histogram.shift;
  const int32_t last = std::max(first, hi >> histogram.shift);
  const int32_t count = last - first + 1;
  if (histogram.binCount() != count) {
    histogram.bins.reference(blitz::Array<int32_t, 1>(blitz::Range(first, last)));
  } else if (histogram.bins.lbound(0) != first) {
    // The same number of bins elsewhere on the value axis: the storage moves along.
    histogram.bins.reindexSelf(blitz::TinyVector<int, 1>(first));
  }
}

void HistogramMerge::combine(Histogram1D& out, const Histogram1D& a, const Histogram1D& b) const {
  subdivideRange(out, std::min(a.lo, b.lo), std::max(a.hi, b.hi), bits, minimumShift);
  const int32_t first = out.firstBin();
  const int32_t count = out.binCount();
  int32_t* const sum = out.bins.data();
  std::fill(sum, sum + count, 0);
  for (const Histogram1D* source : {&a, &b}) {
    const int32_t n = source->binCount();
    if (n == 0) continue;
    const int32_t d = std::max(out.shift - source->shift, 0);
    const int32_t sourceFirst = source->firstBin();
    const int32_t* const from = source->bins.data();
    const std::ptrdiff_t step = source->bins.stride(0);
    if (d == 0 && sourceFirst >= first && sourceFirst + n - 1 <= first + count - 1) {
      int32_t* to = sum + (sourceFirst - first);
      for (int32_t k = 0; k < n; ++k) {
        const int64_t v = int64_t(to[k]) + from[k * step];
        to[k] = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
      }
      continue;
    }
    for (int32_t k = 0; k < n; ++k) {
      const int32_t target = ((sourceFirst + k) >> d) - first;
      if (target < 0 || target >= count) continue;
      const int64_t v = int64_t(sum[target]) + from[k * step];
      sum[target] = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
    }
  }
}

}  // namespace classification
