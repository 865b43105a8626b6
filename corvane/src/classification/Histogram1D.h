#pragma once

#include <blitz/array.h>

#include <cstdint>

namespace classification {

// A one-dimensional binned histogram of channel values: value v counts in bin v >> shift, and
// `bins` is indexed by those absolute bin numbers (lo >> shift .. hi >> shift). The mode-node
// fields are written by the first watershed.
//
// Copies are deep. Blitz arrays share storage when copied, and a histogram copied to several
// blocks and then normalised in place would otherwise be shifted once per sharer; with value
// semantics no two histograms ever share bins, which also lets an assignment reuse storage.
struct Histogram1D {
  blitz::Array<int32_t, 1> bins;
  int32_t shift = 0;
  int32_t lo = 0;
  int32_t hi = 0;
  int32_t firstModeNode = 0;
  int32_t endModeNode = 0;
  int32_t bestValleyNode = -1;

  Histogram1D() = default;
  Histogram1D(const Histogram1D& other);
  Histogram1D(Histogram1D&& other) noexcept;
  Histogram1D& operator=(const Histogram1D& other);
  Histogram1D& operator=(Histogram1D&& other) noexcept;

  // Takes the other's bins (deeply), shift and range; the mode-node fields stay.
  void takeBinsFrom(const Histogram1D& other);

  int32_t binCount() const { return static_cast<int32_t>(bins.numElements()); }
  int32_t firstBin() const { return bins.lbound(0); }
  int32_t lastBin() const { return bins.ubound(0); }
};

// Shifts beyond this would leave int32 weights and shifts undefined; byte values all fall in
// bin 0 from shift 8 on, so only nonsense resolutions (negative bits) are affected.
constexpr int32_t kMaxHistogramShift = 19;

// Sizes a histogram for the values lo .. hi at a resolution of `bits`: stores the range, sets
// shift = max(minimumShift, floor(log2(max(hi - lo, 1))) - bits + 1) and resizes the bins to
// cover lo >> shift .. hi >> shift. The bins' contents are left undefined.
void subdivideRange(Histogram1D& histogram, int32_t lo, int32_t hi, int32_t bits,
                    int32_t minimumShift);

// The sum of histograms as a running reduction of the line convolution: the result covers the
// union of both ranges at the resolution `bits`, and each source bin k adds into result bin
// k >> (result shift - source shift). Sums saturate at the int32 limits.
struct HistogramMerge {
  int32_t bits;
  int32_t minimumShift;
  void copy(Histogram1D& out, const Histogram1D& a) const { out.takeBinsFrom(a); }
  void combine(Histogram1D& out, const Histogram1D& a, const Histogram1D& b) const;
};

}  // namespace classification
