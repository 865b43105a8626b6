#pragma once

// Builds the palette pyramid of one status class from a full-resolution source image.

#include <blitz/array.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "kestrum/matting/PaletteClustering.h"
#include "kestrum/matting/PalettePyramid.h"
#include "kestrum/utility/ProgressRange.h"
#include "mask/StatusClassSelector.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"

namespace corvane {
namespace mask {

// The inclusive range of indices low..high whose mapped status index lies in
// statusLow..statusHigh; the mapping never decreases, so the range is contiguous. Empty
// (first > second) when there is none.
template <class Map>
std::pair<int32_t, int32_t> mappedRange(int32_t low, int32_t high, int32_t statusLow,
                                        int32_t statusHigh, Map map) {
  int32_t first = high + 1, last = low;
  for (int32_t i = low; i <= high; ++i) {
    const int32_t s = map(i);
    if (s < statusLow || s > statusHigh) continue;
    if (first > high) first = i;
    last = i;
  }
  return {first, last};
}

// The finest level: a cell for every 2x2 block of the source's index range, each gathering
// into its first cluster the colours (channels 0 to 2, weight 0) of the pixels the selector
// accepts, rows in the outer loop. Only the pixels whose status lies in the box of accepted
// status pixels are visited; no other pixel can be accepted.
template <class Types, class Pixel>
kestrum::matting::PaletteLevel<Types> buildBaseLevel(const blitz::Array<Pixel, 2>& source,
                                                     const StatusClassSelector& selector) {
  using kestrum::matting::CellBox;
  using Sample = typename Types::Sample;
  const int32_t rowLow = source.lbound(0), rowHigh = source.ubound(0);
  const int32_t colLow = source.lbound(1), colHigh = source.ubound(1);
  const CellBox grid = source.numElements() == 0
                           ? CellBox{}
                           : CellBox{rowLow >> 1, colLow >> 1, rowHigh >> 1, colHigh >> 1};

  const Box accepted = source.numElements() == 0 ? Box{0, 0, -1, -1} : selector.acceptedStatusBox();
  std::pair<int32_t, int32_t> rows{0, -1}, cols{0, -1};
  if (!accepted.empty()) {
    rows = mappedRange(rowLow, rowHigh, accepted.lowerRow, accepted.upperRow,
                       [&selector](int32_t r) { return selector.statusRow(r); });
    cols = mappedRange(colLow, colHigh, accepted.lowerColumn, accepted.upperColumn,
                       [&selector](int32_t c) { return selector.statusColumn(c); });
  }
  if (rows.first > rows.second || cols.first > cols.second) {
    return kestrum::matting::PaletteLevel<Types>(grid, CellBox{});
  }
  kestrum::matting::PaletteLevel<Types> level(
      grid, CellBox{rows.first >> 1, cols.first >> 1, rows.second >> 1, cols.second >> 1});

  std::vector<int32_t> statusColumns(static_cast<size_t>(cols.second - cols.first + 1));
  for (int32_t c = cols.first; c <= cols.second; ++c) {
    statusColumns[static_cast<size_t>(c - cols.first)] = selector.statusColumn(c);
  }
  const blitz::Array<uint8_t, 2>& status = selector.status();
  for (int32_t r = rows.first; r <= rows.second; ++r) {
    const int32_t sr = selector.statusRow(r);
    const uint8_t* statusLine = &status(sr, status.lbound(1));
    const std::ptrdiff_t statusStride = status.stride(1);
    const int32_t statusBase = status.lbound(1);
    const Pixel* pixel = &source(r, cols.first);
    const std::ptrdiff_t pixelStride = source.stride(1);
    for (int32_t c = cols.first; c <= cols.second; ++c, pixel += pixelStride) {
      const int32_t sc = statusColumns[static_cast<size_t>(c - cols.first)];
      if (!selector.acceptsStatus(statusLine[(sc - statusBase) * statusStride])) continue;
      auto& cluster = level.obtain(r >> 1, c >> 1).palette[0];
      if (cluster.colours.empty()) {
        cluster.colours.reserve(4);
        cluster.weights.reserve(4);
      }
      const Pixel& p = *pixel;
      cluster.colours.push_back(
          {static_cast<Sample>(p[0]), static_cast<Sample>(p[1]), static_cast<Sample>(p[2])});
      cluster.weights.push_back(0.0f);
    }
  }
  auto& cells = level.cells();
  forEachInParallel(cells.size(), 256, [&cells](size_t i) {
    kestrum::matting::computeClusterStatistics(cells[i].palette[0]);
  });
  return level;
}

// Builds the pyramid (which must be empty) up to a single cell, clustering every level
// above the finest at `splitDistance`, and prepares it for the search. Cells are clustered
// and prepared independently, on the engine's workers. Reports 0.5, 0.75, 0.875, ... of
// `progress`.
template <class Types, class Pixel>
void buildPalettePyramid(kestrum::matting::PalettePyramid<Types>& pyramid,
                         const blitz::Array<Pixel, 2>& source, const StatusClassSelector& selector,
                         double splitDistance, ProgressRange progress) {
  auto& levels = pyramid.levels();
  levels.push_back(buildBaseLevel<Types>(source, selector));
  progress.report(kNoLabel, 0.5f);
  float f = 0.5f, step = 0.25f;
  while (!levels.back().singleCell()) {
    auto parent = kestrum::matting::buildParentLevel(levels.back());
    auto& cells = parent.cells();
    forEachInParallel(cells.size(), 16, [&cells, splitDistance](size_t i) {
      kestrum::matting::clusterCell(cells[i], splitDistance);
    });
    levels.push_back(std::move(parent));
    f += step;
    step *= 0.5f;
    progress.report(kNoLabel, f);
  }
  pyramid.beginPreparing();
  for (size_t level = 0; level < levels.size(); ++level) {
    forEachInParallel(levels[level].cellCount(), 256,
                      [&pyramid, level](size_t i) { pyramid.prepareCell(level, i); });
  }
}

}  // namespace mask
}  // namespace corvane
