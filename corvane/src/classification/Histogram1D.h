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
//
// A block grid holds a quarter of a million of these, one per block and channel, and sizes
// each one's bins anew at every analysis: bins that fit (all of them at the default
// resolution) live in the histogram itself, which `bins` then views, rather than in storage
// of their own on the heap.
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

  // Gives `bins` the absolute indices first .. first + count - 1 (count >= 1), reusing the
  // storage it has when the count stays; the contents are left undefined.
  void setBinRange(int32_t first, int32_t count);

  int32_t binCount() const { return static_cast<int32_t>(bins.numElements()); }
  int32_t firstBin() const { return bins.lbound(0); }
  int32_t lastBin() const { return bins.ubound(0); }

  // The most bins kept in the histogram itself: 2^bits + 1 at the default 4 bits.
  static constexpr int32_t kInlineBins = 17;

 private:
  bool binsInline() const { return bins.numElements() > 0 && bins.dataFirst() == inline_; }
  // The bins of `other` into these, which must already have its range.
  void copyBinsFrom(const blitz::Array<int32_t, 1>& other);

  int32_t inline_[kInlineBins];
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
