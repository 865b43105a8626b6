#pragma once

// The mask pass: turns the working-resolution statuses into full-resolution opacity and
// decontaminated colour. Cells all of class 2 around a pixel copy it opaque, cells all of
// class 4 make it transparent black; in between the pass estimates a foreground colour F and
// a background colour B near the pixel, places the pixel (and its neighbourhood's median)
// on the line from F to B, blends that with a smooth fallback from the cells' distance
// shares, and removes the background's part from the colour.

#include <blitz/array.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "mask/ColourOps.h"
#include "mask/ColourPyramid.h"
#include "mask/MaskPixelType.h"
#include "mask/MaskScale.h"
#include "util/ArrayDomain.h"
#include "util/Box.h"
#include "util/BoxOps.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"

namespace corvane {
namespace mask {

// Class colour estimates of a pass: 0 none, 1 from the membrane colour grids, 2 from the
// border-colour pyramids of the working image.
enum MaskPassMode : int32_t { MaskPassNoEstimate = 0, MaskPassGrids = 1, MaskPassPyramids = 2 };

namespace detail {

// The two working cells a pixel coordinate falls between along one axis, the weight of the
// first and the nearest cell, all inside lower..upper.
struct CellSpan {
  int32_t first;
  int32_t second;
  int32_t nearest;
  float firstWeight;
};

inline int32_t floorToIndex(float x) {
  return saturatingCast<int32_t>(std::floor(x));
}

inline CellSpan cellSpan(int32_t pixel, float factor, int32_t lower, int32_t upper) {
  const float u = (static_cast<float>(pixel) + 0.5f) / factor;
  CellSpan span;
  span.first = std::min(upper, std::max(lower, floorToIndex(u - 0.5f)));
  span.second = std::min(upper, std::max(lower, floorToIndex(u + 0.5f)));
  span.firstWeight =
      span.first == span.second ? 1.0f : (static_cast<float>(span.second) + 0.5f) - u;
  span.nearest = std::min(upper, std::max(lower, floorToIndex(u)));
  return span;
}

template <class PixelType>
inline void copyOpaque(const typename PixelType::Pixel& from, typename PixelType::Pixel& to) {
  typename PixelType::Pixel p = from;
  p[3] = static_cast<typename PixelType::Sample>(PixelType::maxSample);
  to = p;
}

// Every cell of row `row`, columns lower..upper, that carries bit 128 gets bit 64; with
// `release` it also loses bit 128.
inline void markCellRow(blitz::Array<uint8_t, 2>& status, int32_t row, int32_t lower, int32_t upper,
                        bool release) {
  uint8_t* s = &status(row, lower);
  const ptrdiff_t step = status.stride(1);
  int32_t c = lower;
  if (step == 1) {
    // Eight cells a step: bit 7 of each byte, moved to bit 0, selects the bytes to change.
    constexpr uint64_t ones = 0x0101010101010101ull;
    for (; c + 7 <= upper; c += 8, s += 8) {
      uint64_t w;
      std::memcpy(&w, s, 8);
      const uint64_t marked = (w >> 7) & ones;
      w = release ? (w & ~(marked * 0xC0)) | (marked * 0x40) : w | (marked * 0x40);
      std::memcpy(s, &w, 8);
    }
  }
  for (; c <= upper; ++c, s += step)
    if (*s & 128) *s = release ? static_cast<uint8_t>((*s & 63) | 64) : (*s | 64);
}

// The full-resolution pixels of a cell box: the lower corner scaled, the upper corner's far
// edge scaled less one, each truncated toward zero and put in order.
inline Box pixelBoxOf(const Box& cells, const MaskScale& scale) {
  int32_t r0 = saturatingCast<int32_t>(static_cast<float>(cells.lowerRow) * scale.row);
  int32_t c0 = saturatingCast<int32_t>(static_cast<float>(cells.lowerColumn) * scale.column);
  int32_t r1 =
      saturatingCast<int32_t>(static_cast<float>(int64_t(cells.upperRow) + 1) * scale.row - 1.0f);
  int32_t c1 = saturatingCast<int32_t>(
      static_cast<float>(int64_t(cells.upperColumn) + 1) * scale.column - 1.0f);
  if (r0 > r1) std::swap(r0, r1);
  if (c0 > c1) std::swap(c0, c1);
  return Box{r0, c0, r1, c1};
}

// A pixel column's cells as offsets into a status row, and whether its weights lie in 0..1.
struct ColumnCells {
  ptrdiff_t first;
  ptrdiff_t second;
  ptrdiff_t nearest;
  bool unitWeight;
};

// What the weighing of one pixel reads beyond its four statuses: the pass's estimates and
// the current pixel row's cell rows and image rows.
template <class PixelType>
struct PixelRowInputs {
  using Pixel = typename PixelType::Pixel;
  int32_t mode;
  const Box* cells;
  CellSpan row;
  const uint8_t* weightFirst;
  const uint8_t* weightSecond;
  ptrdiff_t weightStep;
  const ClassDistances* pairFirst;
  const ClassDistances* pairSecond;
  ptrdiff_t pairStep;
  const Pixel* imageRow;
  const Pixel* imageUp;
  const Pixel* imageDown;
  ptrdiff_t imageStep;
  int32_t lastColumn;                 // of the pixel box, counted from its first
  const CellSpan* columnSpans;        // per pixel column, from the pixel box's first
  const PyramidSampler* keepSampler;  // set to the row's nearest cell row
  const PyramidSampler* deleteSampler;
  ColourSumCell* keepSamples;
  ColourSumCell* dropSamples;
  int32_t* sampledRow;
  const blitz::Array<ByteColour3, 2>* keepColours;
  const blitz::Array<ByteColour3, 2>* deleteColours;
};

// The class weights K and D of a pixel from its four cells and, when neither decides it,
// the mixed colour and opacity. Kept out of line: the pass's loop over clear cells stays
// small enough for the registers.
template <class PixelType>
#if defined(__GNUC__)
__attribute__((noinline))
#endif
void weighPixel(const PixelRowInputs<PixelType>& in, int32_t j,
                uint8_t s00, uint8_t s10, uint8_t s01, uint8_t s11,
                typename PixelType::Pixel& out) {
  using Pixel = typename PixelType::Pixel;
  constexpr float maxF = PixelType::maxSampleF;
  // The grids hold 8-bit colours.
  constexpr float gridScale = maxF * (1.0f / 255.0f);
  const CellSpan& row = in.row;
  const CellSpan& col = in.columnSpans[j];
  const float wr = row.firstWeight, wc = col.firstWeight;

  // Cells (first row, first column), (second, first), (first, second), (second, second).
  const float w00 = wr * wc, w10 = (1.0f - wr) * wc, w01 = wr * (1.0f - wc),
              w11 = (1.0f - wr) * (1.0f - wc);
  const float K = w00 * float(s00 >> 1 & 1) + w10 * float(s10 >> 1 & 1) +
                  w01 * float(s01 >> 1 & 1) + w11 * float(s11 >> 1 & 1);
  const float D = w00 * float(s00 >> 2 & 1) + w10 * float(s10 >> 2 & 1) +
                  w01 * float(s01 >> 2 & 1) + w11 * float(s11 >> 2 & 1);
  const Pixel& ip = in.imageRow[j * in.imageStep];
  if (static_cast<double>(K) > 0.99) {
    copyOpaque<PixelType>(ip, out);
    return;
  }
  if (static_cast<double>(D) > 0.99) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return;
  }

  // Mixed pixel.
  const FloatColour P = colourToFloat(ip);
  FloatColour M;
  {
    const Pixel& up = in.imageUp[j * in.imageStep];
    const Pixel& down = in.imageDown[j * in.imageStep];
    const Pixel& left = in.imageRow[std::max(j - 1, 0) * in.imageStep];
    const Pixel& right = in.imageRow[std::min(j + 1, in.lastColumn) * in.imageStep];
    for (int k = 0; k < 3; ++k)
      M[k] = static_cast<float>(median5(ip[k], up[k], down[k], left[k], right[k]));
  }

  FloatColour F{{0, 0, 0}}, B{{0, 0, 0}};
  if (in.mode == MaskPassPyramids) {
    // Pixels of one cell share its samples.
    const size_t slot = static_cast<size_t>(col.nearest - in.cells->lowerColumn);
    if (in.sampledRow[slot] != row.nearest) {
      in.keepSamples[slot] = in.keepSampler->sample(col.nearest);
      in.dropSamples[slot] = in.deleteSampler->sample(col.nearest);
      in.sampledRow[slot] = row.nearest;
    }
    const ColourSumCell& keep = in.keepSamples[slot];
    const ColourSumCell& drop = in.dropSamples[slot];
    // Without border colours nearby the pixel's own colour is the best estimate.
    F = keep.count > 0.0f
            ? scaleColour(FloatColour{{keep.sum[0], keep.sum[1], keep.sum[2]}}, 1.0f / keep.count)
            : P;
    B = drop.count > 0.0f
            ? scaleColour(FloatColour{{drop.sum[0], drop.sum[1], drop.sum[2]}}, 1.0f / drop.count)
            : P;
  } else if (in.mode == MaskPassGrids) {
    const float w1r = 1.0f - wr, w1c = 1.0f - wc;
    const blitz::Array<ByteColour3, 2>& keep = *in.keepColours;
    const blitz::Array<ByteColour3, 2>& drop = *in.deleteColours;
    F = scaleColour(bilinearColour(keep(row.first, col.first), wr, wc, keep(row.second, col.first),
                                   w1r, wc, keep(row.first, col.second), wr, w1c,
                                   keep(row.second, col.second), w1r, w1c),
                    gridScale);
    B = scaleColour(bilinearColour(drop(row.first, col.first), wr, wc, drop(row.second, col.first),
                                   w1r, wc, drop(row.first, col.second), wr, w1c,
                                   drop(row.second, col.second), w1r, w1c),
                    gridScale);
  }
  F = lerpColour(K, P, 1.0f - K, F);
  B = lerpColour(D, P, 1.0f - D, B);

  const FloatColour diff = colourDifference(B, F);
  const float N = static_cast<float>(colourNormSquared(diff));
  const float dist = std::sqrt(N);
  const ptrdiff_t k0 = col.first - in.cells->lowerColumn, k1 = col.second - in.cells->lowerColumn;
  const float E = (w00 * float(in.weightFirst[k0 * in.weightStep]) +
                   w10 * float(in.weightSecond[k0 * in.weightStep]) +
                   w01 * float(in.weightFirst[k1 * in.weightStep]) +
                   w11 * float(in.weightSecond[k1 * in.weightStep])) *
                  0.003921569f;
  const float R = 4.0f + 12.0f * std::min(1.0f, 3.0f * E);
  const float G = 1.0f - std::max(0.0f, 1.5f * (E - 0.33333334f));
  const float reach = 2.828f * R;
  const float H = G * std::min(1.0f, std::max(0.0f, (dist - reach) / reach));

  float alpha1 = 0.0f;
  if (H != 1.0f) {
    const float T = w00 * cellShare(s00, in.pairFirst[k0 * in.pairStep]) +
                    w10 * cellShare(s10, in.pairSecond[k0 * in.pairStep]) +
                    w01 * cellShare(s01, in.pairFirst[k1 * in.pairStep]) +
                    w11 * cellShare(s11, in.pairSecond[k1 * in.pairStep]);
    alpha1 = (1.0f - H) * (T * T * T) * (6.0f * T * T - 15.0f * T + 10.0f);
  }
  float alpha = alpha1;
  if (H != 0.0f) {
    const float invN = 1.0f / N;
    const float m = dotDifference(M, F, diff) * invN;
    const float p = dotDifference(P, F, diff) * invN;
    alpha = H * std::min(1.0f, std::max(0.0f, m * (1.0f - m + p))) + alpha1;
  }
  floatToColour<PixelType>(subtractScaled(P, alpha, diff), out);
  out[3] = sampleFromFloat<PixelType>((maxF + 0.99f) * (1.0f - alpha));
}

// One pixel row of the pass: rejects what it must not write, decides clear cells on the spot
// and weighs the rest. Out of line so that its loop has the registers to itself.
template <class PixelType>
#if defined(__GNUC__)
__attribute__((noinline))
#endif
void passRow(const PixelRowInputs<PixelType>& in, const ColumnCells* columns, int32_t opaque,
             const uint8_t* statusFirst, const uint8_t* statusSecond,
             const uint8_t* statusNearest, typename PixelType::Pixel* out, ptrdiff_t outStep) {
  using Pixel = typename PixelType::Pixel;
  const Pixel* ip = in.imageRow;
  const ptrdiff_t imageStep = in.imageStep;
  const bool rowUnit = in.row.firstWeight >= 0.0f && in.row.firstWeight <= 1.0f;
  const ColumnCells* const end = columns + in.lastColumn + 1;
  for (const ColumnCells* col = columns; col != end; ++col, ip += imageStep, out += outStep) {
    if (int32_t((*ip)[3]) < opaque) continue;
    const uint8_t nearest = statusNearest[col->nearest];
    if ((nearest & 64) || !(nearest & 128)) continue;
    const uint8_t s00 = statusFirst[col->first], s10 = statusSecond[col->first],
                  s01 = statusFirst[col->second], s11 = statusSecond[col->second];
    if (rowUnit && col->unitWeight) {
      // Weights within 0..1 sum to 1 up to a few units of rounding, far above 0.99: four
      // cells of one class decide the pixel as the weighted sums would.
      const unsigned all = s00 & s10 & s01 & s11;
      if (all & 2) {
        copyOpaque<PixelType>(*ip, *out);
        continue;
      }
      if ((all & 4) && !((s00 | s10 | s01 | s11) & 2)) {
        *out = Pixel{{0, 0, 0, 0}};
        continue;
      }
    }
    weighPixel<PixelType>(in, static_cast<int32_t>(col - columns), s00, s10, s01, s11, *out);
  }
}

// The smallest integer alpha that is not below the threshold (alpha < threshold ⇔ alpha <
// this, for the integer alphas of every pixel type); 0 when nothing is below it.
inline int32_t opaqueAlpha(float threshold) {
  if (!(threshold > 0.0f)) return 0;
  if (threshold > 65536.0f) return 65537;
  return static_cast<int32_t>(std::ceil(threshold));
}

// The cells a pass works on: the cell box cut to the fill box and to every array the pass
// reads, so no index leaves an array.
inline Box passCells(const Box& cellBox, const Box& fillBox, const blitz::Array<uint8_t, 2>& status,
                     const blitz::Array<uint8_t, 2>& weightMap,
                     const blitz::Array<ClassDistances, 2>& pairGrid, int32_t mode,
                     const blitz::Array<ByteColour3, 2>& keepColours,
                     const blitz::Array<ByteColour3, 2>& deleteColours) {
  Box cells = intersectBox(cellBox, fillBox);
  cells = intersectBox(cells, domainOf(status));
  cells = intersectBox(cells, domainOf(weightMap));
  cells = intersectBox(cells, domainOf(pairGrid));
  if (mode == MaskPassGrids) {
    cells = intersectBox(cells, domainOf(keepColours));
    cells = intersectBox(cells, domainOf(deleteColours));
  }
  return cells;
}

// Per full-resolution column of the pixel box, the cells it reads: the same on every row.
struct ColumnTerms {
  std::vector<CellSpan> spans;
  std::vector<ColumnCells> columns;

  ColumnTerms(const Box& pixels, const Box& cells, float scale, ptrdiff_t statusStep) {
    spans.reserve(static_cast<size_t>(pixels.upperColumn - pixels.lowerColumn + 1));
    columns.reserve(spans.capacity());
    for (int32_t c = pixels.lowerColumn; c <= pixels.upperColumn; ++c) {
      const CellSpan span = cellSpan(c, scale, cells.lowerColumn, cells.upperColumn);
      spans.push_back(span);
      const auto offset = [&](int32_t cell) { return (cell - cells.lowerColumn) * statusStep; };
      columns.push_back(ColumnCells{offset(span.first), offset(span.second), offset(span.nearest),
                                    span.firstWeight >= 0.0f && span.firstWeight <= 1.0f});
    }
  }
};

// Pyramid samples of the cells of one cell row, with the row they were taken for (mode 2).
struct PyramidSamples {
  std::vector<ColourSumCell> keep, drop;
  std::vector<int32_t> sampledRow;

  PyramidSamples(int32_t mode, const Box& cells) {
    if (mode != MaskPassPyramids) return;
    const size_t cellColumns = static_cast<size_t>(cells.upperColumn - cells.lowerColumn + 1);
    keep.resize(cellColumns);
    drop.resize(cellColumns);
    sampledRow.assign(cellColumns, std::numeric_limits<int32_t>::min());
  }
};

}  // namespace detail

// One mask pass over the working cells `cellBox`. Writes the mask pixels of the cells that
// carry bit 128 and not bit 64 (the body marks them), where the image pixel is opaque
// (alpha at least opacityThreshold × maxSample); other mask pixels keep what they held.
// Marks every finished cell row (bit 64) and releases the last one (bit 128 cleared).
//
// mask, image: full-resolution pixels (mask by value: a view sharing the caller's pixels).
// workingImage: colours at working resolution for the pyramids of mode 2 (the source's own
//   pixel type, or 8-bit colours that a 16-bit pass stretches into its sample units).
// status: the working statuses (bits 2, 4, 64 and 128 read; 64 and 128 written).
// fillBox: the box over which the class colours are gathered; the cell box is cut to it and
//   to every array the pass reads, so no index leaves an array.
// scale: full-resolution pixels per working cell.
// weightMap: per-cell blend ratio 0..255; pairGrid: per-cell (d2, d4) chamfer distances.
// keepColours, deleteColours: mode 1's colour grids of class 2 and class 4 (empty otherwise).
// Progress: the pyramids up to 0.3 and 0.4, the pixel rows up to 1.0. Returns 0.
template <class PixelType, class WorkPixel>
int32_t maskPass(blitz::Array<typename PixelType::Pixel, 2> mask,
                 const blitz::Array<typename PixelType::Pixel, 2>& image,
                 const blitz::Array<WorkPixel, 2>& workingImage, blitz::Array<uint8_t, 2>& status,
                 const Box& cellBox, const Box& fillBox, const MaskScale& scale,
                 const blitz::Array<uint8_t, 2>& weightMap,
                 const blitz::Array<ClassDistances, 2>& pairGrid, int32_t mode,
                 const blitz::Array<ByteColour3, 2>& keepColours,
                 const blitz::Array<ByteColour3, 2>& deleteColours, float opacityThreshold,
                 ProgressRange progress) {
  // A factor that is not a positive number maps no pixel onto a cell.
  if (!(scale.row > 0.0f && scale.column > 0.0f && std::isfinite(scale.row) &&
        std::isfinite(scale.column)))
    return 0;

  const Box cells = detail::passCells(cellBox, fillBox, status, weightMap, pairGrid, mode,
                                      keepColours, deleteColours);
  Box pixels{0, 0, -1, -1};
  if (!cells.empty()) {
    pixels = detail::pixelBoxOf(cells, scale);
    pixels = intersectBox(intersectBox(pixels, domainOf(mask)), domainOf(image));
  }

  ColourPyramid keepPyramid, deletePyramid;
  if (mode == MaskPassPyramids) {
    borderColourPyramid<PixelType>(status, fillBox, 2, keepPyramid, workingImage,
                                   progress.subRange(0.3f));
    borderColourPyramid<PixelType>(status, fillBox, 4, deletePyramid, workingImage,
                                   progress.subRange(0.4f));
  }
  ProgressRange rows = progress.subRange(1.0f);
  if (pixels.empty()) return 0;

  const detail::ColumnTerms columnTerms(pixels, cells, scale.column, status.stride(1));

  detail::PixelRowInputs<PixelType> base;
  base.mode = mode;
  base.cells = &cells;
  base.weightStep = weightMap.stride(1);
  base.pairStep = pairGrid.stride(1);
  base.imageStep = image.stride(1);
  base.lastColumn = pixels.upperColumn - pixels.lowerColumn;
  base.columnSpans = columnTerms.spans.data();
  base.keepColours = &keepColours;
  base.deleteColours = &deleteColours;
  // Column terms of the pyramids' levels, worked out once for the pass; every run of rows
  // samples its own rows with a copy.
  const PyramidSampler keepSampler(keepPyramid, cells.lowerColumn, cells.upperColumn);
  const PyramidSampler deleteSampler(deletePyramid, cells.lowerColumn, cells.upperColumn);

  const int32_t opaque = detail::opaqueAlpha(opacityThreshold * PixelType::maxSampleF);
  const ptrdiff_t mCol = mask.stride(1);
  const float maskRows = static_cast<float>(mask.extent(0));

  // The pixel rows of [first, last]. A row reads the statuses as the pass found them: the
  // marks written behind the rows (below) are on cell rows above the first one any later pixel
  // row reads, so rows may run in any order, and bands of them on several workers.
  auto runRows = [&](int32_t first, int32_t last) {
    detail::PixelRowInputs<PixelType> in = base;
    PyramidSampler keep(keepSampler), drop(deleteSampler);
    detail::PyramidSamples samples(mode, cells);
    in.keepSampler = &keep;
    in.deleteSampler = &drop;
    in.keepSamples = samples.keep.data();
    in.dropSamples = samples.drop.data();
    in.sampledRow = samples.sampledRow.data();
    int32_t samplerRow = std::numeric_limits<int32_t>::min();
    for (int32_t r = first; r <= last; ++r) {
      const detail::CellSpan row = detail::cellSpan(r, scale.row, cells.lowerRow, cells.upperRow);
      // Cell rows from the box's first column.
      const uint8_t* const statusFirst = &status(row.first, cells.lowerColumn);
      const uint8_t* const statusSecond = &status(row.second, cells.lowerColumn);
      const uint8_t* const statusNearest = &status(row.nearest, cells.lowerColumn);
      if (mode == MaskPassPyramids && row.nearest != samplerRow) {
        keep.setRow(row.nearest);
        drop.setRow(row.nearest);
        samplerRow = row.nearest;
      }
      in.row = row;
      in.weightFirst = &weightMap(row.first, cells.lowerColumn);
      in.weightSecond = &weightMap(row.second, cells.lowerColumn);
      in.pairFirst = &pairGrid(row.first, cells.lowerColumn);
      in.pairSecond = &pairGrid(row.second, cells.lowerColumn);
      in.imageRow = &image(r, pixels.lowerColumn);
      in.imageUp = &image(std::max(r - 1, pixels.lowerRow), pixels.lowerColumn);
      in.imageDown = &image(std::min(r + 1, pixels.upperRow), pixels.lowerColumn);
      detail::passRow<PixelType>(in, columnTerms.columns.data(), opaque, statusFirst, statusSecond,
                                 statusNearest, &mask(r, pixels.lowerColumn), mCol);
    }
  };

  // A mask that shares pixels with the image would be read back by the rows below it (their
  // medians): then the rows run one after the other, as written.
  const auto* maskFirst = reinterpret_cast<const char*>(&mask(pixels.lowerRow, pixels.lowerColumn));
  const auto* maskLast = reinterpret_cast<const char*>(&mask(pixels.upperRow, pixels.upperColumn));
  const auto* imageFirst = reinterpret_cast<const char*>(image.dataFirst());
  const auto* imageLast = reinterpret_cast<const char*>(&image(image.ubound(0), image.ubound(1)));
  const bool apart = std::less<const char*>()(maskLast, imageFirst) ||
                     std::less<const char*>()(imageLast, maskFirst);
  const unsigned threads = apart ? processorCount() : 1u;
  // Stretches of rows, each finished (marks and reports in row order) before the next starts.
  constexpr int32_t kStretch = 64;
  int32_t previousRow = 0;
  bool haveRow = false;
  for (int32_t first = pixels.lowerRow; first <= pixels.upperRow;) {
    const int32_t last =
        static_cast<int32_t>(std::min<int64_t>(pixels.upperRow, int64_t(first) + kStretch - 1));
    if (threads > 1)
      forEachBand(first, last, std::max<int32_t>(1, kStretch / static_cast<int32_t>(threads)),
                  threads, runRows);
    else
      runRows(first, last);
    for (int32_t r = first; r <= last; ++r) {
      const detail::CellSpan row = detail::cellSpan(r, scale.row, cells.lowerRow, cells.upperRow);
      if (haveRow && row.first != previousRow)
        detail::markCellRow(status, previousRow, cells.lowerColumn, cells.upperColumn, false);
      previousRow = row.first;
      haveRow = true;
      if ((r & 15) == 0)
        rows.report(kNoLabel, static_cast<float>(r - image.lbound(0) + 1) / maskRows);
    }
    first = last + 1;
  }
  detail::markCellRow(status, previousRow, cells.lowerColumn, cells.upperColumn, true);
  return 0;
}

}  // namespace mask
}  // namespace corvane
