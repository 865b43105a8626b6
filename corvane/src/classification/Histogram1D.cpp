#include "classification/Histogram1D.h"

#include <algorithm>
#include <limits>

namespace classification {

namespace {

// floor(log2(r)) for r >= 1.
int32_t binaryExponent(int32_t r) {
  return 31 - __builtin_clz(static_cast<uint32_t>(r));
}

}  // namespace

void Histogram1D::setBinRange(int32_t first, int32_t count) {
  if (count < 1) {
    bins.free();
    return;
  }
  if (count <= kInlineBins) {
    if (!binsInline() || binCount() != count) {
      blitz::GeneralArrayStorage<1> storage;
      storage.base() = first;
      bins.reference(blitz::Array<int32_t, 1>(inline_, blitz::shape(count), storage));
      return;
    }
  } else if (binsInline() || binCount() != count) {
    bins.reference(blitz::Array<int32_t, 1>(blitz::Range(first, first + count - 1)));
    return;
  }
  // The same number of bins elsewhere on the value axis: the storage moves along.
  if (bins.lbound(0) != first) bins.reindexSelf(blitz::TinyVector<int, 1>(first));
}

void Histogram1D::copyBinsFrom(const blitz::Array<int32_t, 1>& other) {
  int32_t* const to = bins.dataFirst();
  const int32_t* const from = other.dataFirst();
  const std::ptrdiff_t step = other.stride(0);
  for (int32_t k = 0, n = binCount(); k < n; ++k) to[k] = from[k * step];
}

Histogram1D::Histogram1D(const Histogram1D& other)
    : shift(other.shift),
      lo(other.lo),
      hi(other.hi),
      firstModeNode(other.firstModeNode),
      endModeNode(other.endModeNode),
      bestValleyNode(other.bestValleyNode) {
  if (other.binCount() == 0) return;
  setBinRange(other.firstBin(), other.binCount());
  copyBinsFrom(other.bins);
}

Histogram1D::Histogram1D(Histogram1D&& other) noexcept
    : shift(other.shift),
      lo(other.lo),
      hi(other.hi),
      firstModeNode(other.firstModeNode),
      endModeNode(other.endModeNode),
      bestValleyNode(other.bestValleyNode) {
  if (other.binsInline()) {
    // Fits: no allocation, so nothing here can throw.
    setBinRange(other.firstBin(), other.binCount());
    copyBinsFrom(other.bins);
  } else {
    bins.reference(other.bins);
  }
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
  if (other.binsInline()) {
    setBinRange(other.firstBin(), other.binCount());  // fits: no allocation, no exception
    copyBinsFrom(other.bins);
  } else {
    bins.reference(other.bins);
  }
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
  if (other.binCount() == 0) {
    bins.free();
  } else {
    setBinRange(other.firstBin(), other.binCount());
    copyBinsFrom(other.bins);
  }
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
  histogram.setBinRange(first, last - first + 1);
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
