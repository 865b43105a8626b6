#pragma once

// Colour pyramids of the mask pass: per status class, the colours of the class's border cells
// summed into cells of half the working resolution, then coarsened level by level down to a
// single cell. Sampling blends nearby cells, finest level first, until enough border pixels
// were gathered, so a colour estimate is local where the border is near and wider elsewhere.

#include <blitz/array.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "mask/ColourSumCell.h"
#include "mask/MaskPixelType.h"
#include "mask/PyramidLevel.h"
#include "util/ArrayDomain.h"
#include "util/Box.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/NoLabel.h"
#include "util/SaturatingCast.h"

namespace corvane {
namespace mask {

using ColourPyramid = std::vector<PyramidLevel>;

// The box one level up: both corners divided by 2, truncating toward zero.
constexpr Box halveBox(const Box& box) {
  return Box{box.lowerRow / 2, box.lowerColumn / 2, box.upperRow / 2, box.upperColumn / 2};
}

// The next coarser level of `level`: each cell listed in `touched` adds its four values to
// the cell of half its position (truncating toward zero); `nextTouched` receives each new
// cell once, when it first gets a contribution. Cells not listed are never read.
PyramidLevel coarsenColourLevel(const PyramidLevel& level, const std::vector<IndexPair>& touched,
                                std::vector<IndexPair>& nextTouched);

// accumulator += (c0·a0·b0 + c1·a1·b1 + c2·a2·b2 + c3·a3·b3) × (1 / totalWeight), each of the
// four components.
inline void bilinearCellSum(ColourSumCell& accumulator, const ColourSumCell& c0, float a0, float b0,
                            const ColourSumCell& c1, float a1, float b1, const ColourSumCell& c2,
                            float a2, float b2, const ColourSumCell& c3, float a3, float b3,
                            float totalWeight) {
  const float inv = 1.0f / totalWeight;
  // The four values as one row of four lanes, each lane with the same steps in the same order,
  // which the compiler may do side by side.
  float acc[4], v0[4], v1[4], v2[4], v3[4];
  std::memcpy(acc, &accumulator, sizeof acc);
  std::memcpy(v0, &c0, sizeof v0);
  std::memcpy(v1, &c1, sizeof v1);
  std::memcpy(v2, &c2, sizeof v2);
  std::memcpy(v3, &c3, sizeof v3);
  for (int k = 0; k < 4; ++k)
    acc[k] += (v0[k] * a0 * b0 + v1[k] * a1 * b1 + v2[k] * a2 * b2 + v3[k] * a3 * b3) * inv;
  std::memcpy(&accumulator, acc, sizeof acc);
}

// The colour sums and weight gathered around the working-grid position (row, column). An empty
// pyramid, or a position no level reaches, gives all zeros.
ColourSumCell samplePyramid(const ColourPyramid& pyramid, float row, float column);

// Where a level puts a position along one axis: the weight of the upper of the two cells
// around it and the two cells, cut to the level's box (lower > upper when none is left).
struct PyramidAxisTerm {
  float upperWeight;
  int32_t lower;
  int32_t upper;
};

// The level terms of `position` along one axis: f is the level's factor, lower..upper its
// box along the axis.
PyramidAxisTerm pyramidAxisTerm(float position, float f, int32_t lower, int32_t upper);

// samplePyramid at whole cell positions, for the many samples of one pass: the column terms
// of every level are worked out once for the columns firstColumn..lastColumn, the row terms
// once per row. Gives exactly samplePyramid(pyramid, row, column).
class PyramidSampler {
 public:
  PyramidSampler(const ColourPyramid& pyramid, int32_t firstColumn, int32_t lastColumn);
  // Copies share the column terms and take their own row: one copy per worker samples rows
  // of its own.
  PyramidSampler(const PyramidSampler&) = default;

  // The row of the samples that follow.
  void setRow(int32_t row);
  // The sample at (the row set, column); column within firstColumn..lastColumn.
  ColourSumCell sample(int32_t column) const;

 private:
  // An axis term with the places of its two cells among the level's tiles: the tile row or
  // column and the offset inside the tile along the axis (rows already multiplied out).
  // Without cells (the position lies outside the level) the tiles are UINT32_MAX.
  struct Term {
    float upperWeight;
    uint32_t lowerTile, upperTile;
    uint32_t lowerInTile, upperInTile;
  };
  static Term term(const PyramidAxisTerm& axis, int32_t boxLower, uint32_t tileScale,
                   uint32_t inTileScale);

  const ColourPyramid& pyramid_;
  int32_t firstColumn_;
  size_t levels_;
  std::vector<Term> rowTerms_;                            // per level
  std::shared_ptr<const std::vector<Term>> columnTerms_;  // per column, then per level
};

namespace detail {

// The levels above the first: appended while the current level is more than one cell wide,
// each step reporting on `child`.
void coarsenPyramid(ColourPyramid& pyramid, std::vector<IndexPair>& touched, ProgressRange child);

// Finds the border cells of one row: 0xFF in `border[i]` where cell i of the row is in the
// class and one of its four neighbours is not. The class rows hold 0xFF for cells in the
// class and 0 elsewhere, with one padding cell of 0xFF at each end; a missing row above or
// below is all 0xFF (neighbours outside the box do not count).
void markBorderCells(const uint8_t* above, const uint8_t* row, const uint8_t* below, int32_t n,
                     uint8_t* border);

// 0xFF for each of the n cells (`step` apart) whose class part meets the class mask, else 0.
void classRow(const uint8_t* status, ptrdiff_t step, int32_t n, uint8_t classMask, uint8_t* out);

}  // namespace detail

// Appends to `pyramid` the levels of class `classMask` over `fillBox` of `status`: a cell of
// the class is a border cell when one of its four neighbours inside the box lacks the class;
// its colour from `workingImage` (scaled into the pixel type's sample units) goes to the
// first level. A class without border cells appends nothing. The box is first cut to the
// status array and the working image, so every index stays inside both.
template <class PixelType, class WorkPixel>
void borderColourPyramid(const blitz::Array<uint8_t, 2>& status, const Box& fillBox,
                         uint8_t classMask, ColourPyramid& pyramid,
                         const blitz::Array<WorkPixel, 2>& workingImage, ProgressRange progress) {
  constexpr float colourScale = workingColourScale<PixelType, WorkPixel>();
  const Box box = intersectBox(intersectBox(fillBox, domainOf(status)), domainOf(workingImage));
  const uint8_t cls = classMask & 15;

  std::vector<IndexPair> touched;
  PyramidLevel first;
  if (!box.empty()) {
    first = PyramidLevel(halveBox(box));
    const int32_t n = box.upperColumn - box.lowerColumn + 1;
    // Three class rows with their padding, rolled down the box, and the border flags with
    // room for whole 8-byte reads.
    std::vector<uint8_t> rowsBuffer(3 * (size_t(n) + 2), 0xFF), all(size_t(n) + 2, 0xFF),
        border(size_t(n) + 8, 0);
    uint8_t* above = rowsBuffer.data();
    uint8_t* current = above + n + 2;
    uint8_t* below = current + n + 2;
    const ptrdiff_t sCol = status.stride(1), wCol = workingImage.stride(1);
    detail::classRow(&status(box.lowerRow, box.lowerColumn), sCol, n, cls, current + 1);
    for (int32_t r = box.lowerRow; r <= box.upperRow; ++r) {
      if (r < box.upperRow)
        detail::classRow(&status(r + 1, box.lowerColumn), sCol, n, cls, below + 1);
      detail::markBorderCells(r > box.lowerRow ? above : all.data(), current,
                              r < box.upperRow ? below : all.data(), n, border.data());
      const WorkPixel* w = &workingImage(r, box.lowerColumn);
      for (int32_t i = 0; i < n; i += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, border.data() + i, 8);
        if (chunk == 0) continue;
        for (int32_t j = i; j < i + 8 && j < n; ++j) {
          if (!border[size_t(j)]) continue;
          const int32_t c = box.lowerColumn + j;
          ColourSumCell& cell = first(r / 2, c / 2);
          if (cell.count == 0.0f) touched.push_back(IndexPair{r / 2, c / 2});
          const WorkPixel& colour = w[j * wCol];
          for (int k = 0; k < 3; ++k) {
            if (colourScale == 1.0f)
              cell.sum[k] += static_cast<float>(colour[k]);
            else
              cell.sum[k] += static_cast<float>(colour[k]) * colourScale;
          }
          cell.count += 1.0f;
        }
      }
      uint8_t* recycled = above;
      above = current;
      current = below;
      below = recycled;
    }
  }

  progress.report(kNoLabel, 0.25f);
  ProgressRange child = progress.subRange(0.5f);
  if (touched.empty()) return;
  pyramid.push_back(std::move(first));
  detail::coarsenPyramid(pyramid, touched, child);
  progress.report(kNoLabel, 1.0f);
}

}  // namespace mask
}  // namespace corvane
