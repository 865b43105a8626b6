#pragma once

// The engine's channel rank filter: every output sample is the sample at a given fractional
// rank among the input samples under a window. One sliding histogram per output row, updated
// by the window cells that leave and enter as the anchor moves one column, keeps the cost per
// pixel proportional to the window's edge rather than its area. The same code serves 8-bit
// and 16-bit samples.

#include <blitz/array.h>

#include <algorithm>
#include <array>
#include <cassert>
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
  // The extent of the window relative to its anchor, for bounds checks.
  int32_t lowRow = 0, lowCol = 0, highRow = 0, highCol = 0;
};

RankWindowOffsets rankWindowOffsets(const blitz::Array<int32_t, 2>& kernel, int direction,
                                    std::ptrdiff_t rowStride, std::ptrdiff_t colStride);

namespace detail {

// One tracked rank: the smallest histogram bin whose cumulative count reaches `rank.lower`,
// and that cumulative count.
struct RankCursor {
  FractionRank rank;
  int32_t bin;
  int32_t cumulative;
};

inline void settle(RankCursor& c, const int32_t* hist) {
  while (c.cumulative < c.rank.lower) c.cumulative += hist[++c.bin];
  while (c.bin > 0 && c.cumulative - hist[c.bin] >= c.rank.lower) c.cumulative -= hist[c.bin--];
}

// The value at the cursor's fraction: the lower order statistic, or the interpolation towards
// the next occupied bin when the two ranks straddle it.
inline int32_t rankValue(const RankCursor& c, const int32_t* hist, int32_t lastBin) {
  if (c.cumulative >= c.rank.upper || c.bin >= lastBin) return c.bin;
  int32_t next = c.bin + 1;
  while (next < lastBin && hist[next] == 0) ++next;
  return c.bin + static_cast<int32_t>(static_cast<float>(next - c.bin) * c.rank.weight + 0.5f);
}

}  // namespace detail

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
                    ProgressRange progress) {
  static_assert(K >= 1, "at least one fraction");
  const int32_t rowLow = outputs[0].lbound(0), rowHigh = outputs[0].ubound(0);
  const int32_t colLow = outputs[0].lbound(1), colHigh = outputs[0].ubound(1);
  for (int k = 1; k < K; ++k) {
    assert(outputs[k].lbound(0) == rowLow && outputs[k].ubound(0) == rowHigh &&
           outputs[k].lbound(1) == colLow && outputs[k].ubound(1) == colHigh);
  }
  if (rowLow > rowHigh || colLow > colHigh) return;

  const RankWindowOffsets window =
      rankWindowOffsets(kernel, direction, input.stride(0), input.stride(1));
  const int32_t count = static_cast<int32_t>(window.all.size());

  T* out[K];
  std::ptrdiff_t outRowStride[K], outColStride[K];
  for (int k = 0; k < K; ++k) {
    out[k] = outputs[k].data();
    outRowStride[k] = outputs[k].stride(0);
    outColStride[k] = outputs[k].stride(1);
  }

  if (count == 0) {
    for (int32_t row = rowLow; row <= rowHigh; ++row) {
      for (int k = 0; k < K; ++k) {
        T* o = out[k] + (row - rowLow) * outRowStride[k];
        for (int32_t col = colLow; col <= colHigh; ++col, o += outColStride[k]) *o = T(0);
      }
    }
    return;
  }

  // Every window pixel must lie in the input: the loop below reads through raw offsets.
  assert(rowLow + window.lowRow >= input.lbound(0) && rowHigh + window.highRow <= input.ubound(0));
  assert(colLow + window.lowCol >= input.lbound(1) && colHigh + window.highCol <= input.ubound(1));

  if (hi < lo) hi = lo;
  const int32_t lastBin = hi - lo;
  std::vector<int32_t> histogram(static_cast<size_t>(lastBin) + 1);
  int32_t* const hist = histogram.data();
  auto binOf = [lo, hi](T sample) {
    const int32_t v = static_cast<int32_t>(sample);
    return (v < lo ? lo : v > hi ? hi : v) - lo;
  };

  detail::RankCursor cursor[K];
  for (int k = 0; k < K; ++k) cursor[k].rank = fractionRank(fractions[k], count);

  const T* const in = input.data();
  const std::ptrdiff_t inRowStride = input.stride(0), inColStride = input.stride(1);
  const std::ptrdiff_t* const allBegin = window.all.data();
  const std::ptrdiff_t* const allEnd = allBegin + window.all.size();
  const std::ptrdiff_t* const leaveBegin = window.leaving.data();
  const std::ptrdiff_t* const leaveEnd = leaveBegin + window.leaving.size();
  const std::ptrdiff_t* const enterBegin = window.entering.data();
  const std::ptrdiff_t* const enterEnd = enterBegin + window.entering.size();
  const int32_t rows = rowHigh - rowLow + 1;

  for (int32_t row = rowLow; row <= rowHigh; ++row) {
    std::fill(hist, hist + lastBin + 1, 0);
    const T* anchor =
        in + (row - input.lbound(0)) * inRowStride + (colLow - input.lbound(1)) * inColStride;
    for (const std::ptrdiff_t* o = allBegin; o != allEnd; ++o) ++hist[binOf(anchor[*o])];

    T* dst[K];
    for (int k = 0; k < K; ++k) {
      dst[k] = out[k] + (row - rowLow) * outRowStride[k];
      cursor[k].bin = 0;
      cursor[k].cumulative = hist[0];
      detail::settle(cursor[k], hist);
      *dst[k] = static_cast<T>(detail::rankValue(cursor[k], hist, lastBin) + lo);
    }

    for (int32_t col = colLow + 1; col <= colHigh; ++col) {
      anchor += inColStride;
      for (const std::ptrdiff_t* o = leaveBegin; o != leaveEnd; ++o) {
        const int32_t b = binOf(anchor[*o]);
        --hist[b];
        for (int k = 0; k < K; ++k) cursor[k].cumulative -= (b <= cursor[k].bin);
      }
      for (const std::ptrdiff_t* o = enterBegin; o != enterEnd; ++o) {
        const int32_t b = binOf(anchor[*o]);
        ++hist[b];
        for (int k = 0; k < K; ++k) cursor[k].cumulative += (b <= cursor[k].bin);
      }
      for (int k = 0; k < K; ++k) {
        detail::settle(cursor[k], hist);
        dst[k] += outColStride[k];
        *dst[k] = static_cast<T>(detail::rankValue(cursor[k], hist, lastBin) + lo);
      }
    }

    if ((row & 255) == 0 && progress.ui()) {
      progress.report("", static_cast<float>(row - rowLow + 1) / static_cast<float>(rows));
    }
  }
}

// One rank filter (see rankFilterMany).
template <class T>
void rankFilter(blitz::Array<T, 2> output, const blitz::Array<T, 2>& input,
                const blitz::Array<int32_t, 2>& kernel, int direction, float fraction, int32_t lo,
                int32_t hi, ProgressRange progress) {
  rankFilterMany<T, 1>({output}, input, kernel, direction, {fraction}, lo, hi, progress);
}

// The first pass of the analysis image in one sweep: component 0 of `output` receives the
// `lower` fraction and component 1 the `upper` one, over the output's box. The window of a
// pixel is the disc extending from it towards the upper bounds of `padded`.
void rankFilterPair(blitz::Array<blitz::TinyVector<uint8_t, 2>, 2> output,
                    const blitz::Array<int32_t, 2>& disc, const blitz::Array<uint8_t, 2>& padded,
                    float lower, float upper, int32_t maxValue, ProgressRange progress);

// One 8-bit rank filter over the values 0..maxValue, the window of a pixel being the disc
// extending from it towards the lower bounds of `input` (the reverse of rankFilterPair, so a
// pass of each keeps the image in place).
void rancourBandSetup(blitz::Array<uint8_t, 2> output, const blitz::Array<uint8_t, 2>& input,
                      const blitz::Array<int32_t, 2>& disc, float fraction, int32_t maxValue,
                      ProgressRange progress);

// Fills the part of `a` outside the inclusive box (lowRow, lowCol)..(highRow, highCol) by
// edge replication: rows above and below the box copy its first and last row over the box's
// columns, then columns left and right copy the first and last column over all rows, so the
// corners take the corner pixels.
template <class T>
void replicateEdges(blitz::Array<T, 2>& a, int32_t lowRow, int32_t lowCol, int32_t highRow,
                    int32_t highCol) {
  if (lowRow > highRow || lowCol > highCol) return;
  for (int32_t r = a.lbound(0); r <= a.ubound(0); ++r) {
    if (r >= lowRow && r <= highRow) continue;
    const int32_t from = r < lowRow ? lowRow : highRow;
    for (int32_t c = lowCol; c <= highCol; ++c) a(r, c) = a(from, c);
  }
  for (int32_t r = a.lbound(0); r <= a.ubound(0); ++r) {
    const T first = a(r, lowCol), last = a(r, highCol);
    for (int32_t c = a.lbound(1); c < lowCol; ++c) a(r, c) = first;
    for (int32_t c = highCol + 1; c <= a.ubound(1); ++c) a(r, c) = last;
  }
}

}  // namespace classification
