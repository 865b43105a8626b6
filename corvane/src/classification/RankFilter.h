#pragma once

// The engine's channel rank filter: every output sample is the sample at a given fractional
// rank among the input samples under a window. A sliding histogram, updated by the window
// cells that leave and enter as the anchor moves one column (or, for 8-bit samples under wide
// windows, one row), keeps the cost per pixel proportional to the window's edge rather than
// its area. The same code serves 8-bit and 16-bit samples, instantiated for both in
// RankFilter.cpp.

#include <blitz/array.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kestrum/utility/ProgressRange.h"

namespace classification {

// Where a fraction falls among `count` ordered samples (ranks counted from 1): between the
// lower and the upper rank, `weight` of the way. Fractions outside 0..1 are taken as their
// nearest bound so that both ranks stay within 1..count.
struct FractionRank {
  int32_t lower;
  int32_t upper;
  float weight;
};

inline FractionRank fractionRank(float fraction, int32_t count) {
  const float f = std::min(1.0f, std::max(0.0f, fraction));  // NaN becomes 0
  const float x = f * static_cast<float>(count - 1) + 1.0f;
  FractionRank r;
  r.lower = static_cast<int32_t>(std::floor(x + 0.001f));
  r.upper = static_cast<int32_t>(std::ceil(x - 0.001f));
  r.weight = x - static_cast<float>(r.lower);
  return r;
}

// The disc window of side n (n >= 1), indexed 0..n-1 on both axes: 1 inside, 0 outside.
blitz::Array<int32_t, 2> makeDisc(int32_t n);

// The element offsets of a window over an array with the given strides. A window cell is a
// non-zero kernel cell k; the window of anchor p reads the input at p + direction * k.
// `leaving` and `entering` are relative to the anchor after a move of one column: the cells
// that drop out behind it and those that come in ahead of it.
struct RankWindowOffsets {
  std::vector<std::ptrdiff_t> all;
  std::vector<std::ptrdiff_t> leaving;
  std::vector<std::ptrdiff_t> entering;
  // The same for a move of one row: the cells that drop out above and come in below.
  std::vector<std::ptrdiff_t> leavingDown;
  std::vector<std::ptrdiff_t> enteringDown;
  // The extent of the window relative to its anchor, for bounds checks.
  int32_t lowRow = 0, lowCol = 0, highRow = 0, highCol = 0;
};

RankWindowOffsets rankWindowOffsets(const blitz::Array<int32_t, 2>& kernel, int direction,
                                    std::ptrdiff_t rowStride, std::ptrdiff_t colStride);

// Filters `input` into K outputs at once, one fraction each, over the outputs' common box.
// The window of output pixel p is the input at p + direction * k for every non-zero kernel
// cell k (kernel indices as the kernel's own index values); the input must hold every such
// pixel. Samples are counted into a histogram of the values lo..hi, a sample outside that
// range as its nearest bound. With an empty window every output sample becomes 0.
// Progress is reported after every output row whose index is a multiple of 256.
template <class T, int K>
void rankFilterMany(std::array<blitz::Array<T, 2>, K> outputs, const blitz::Array<T, 2>& input,
                    const blitz::Array<int32_t, 2>& kernel, int direction,
                    const std::array<float, K>& fractions, int32_t lo, int32_t hi,
                    ProgressRange progress);

// One rank filter (see rankFilterMany).
template <class T>
void rankFilter(blitz::Array<T, 2> output, const blitz::Array<T, 2>& input,
                const blitz::Array<int32_t, 2>& kernel, int direction, float fraction, int32_t lo,
                int32_t hi, ProgressRange progress) {
  rankFilterMany<T, 1>({output}, input, kernel, direction, {fraction}, lo, hi, progress);
}

}  // namespace classification
