#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "mask/ColourSumCell.h"
#include "util/Box.h"

namespace corvane {
namespace mask {

// One level of a colour pyramid: colour sums over an inclusive box of cells, indexed
// (row, column) in the level's own coordinates, every cell zero when made. Border colours
// fill a thin band of a large level, so the cells are kept in square tiles that come into
// being when first written; reading a cell of a missing tile gives zero.
class PyramidLevel {
 public:
  static constexpr int32_t kTileShift = 4;
  static constexpr int32_t kTileSide = 1 << kTileShift;
  static constexpr int32_t kTileMask = kTileSide - 1;

  PyramidLevel() = default;
  explicit PyramidLevel(const Box& box);
  PyramidLevel(PyramidLevel&&) = default;
  PyramidLevel& operator=(PyramidLevel&&) = default;

  const Box& box() const { return box_; }
  int32_t rows() const { return box_.empty() ? 0 : box_.upperRow - box_.lowerRow + 1; }
  int32_t columns() const { return box_.empty() ? 0 : box_.upperColumn - box_.lowerColumn + 1; }

  // The cell at (row, column), which must lie inside the box; writing makes its tile.
  ColourSumCell& operator()(int32_t row, int32_t column) {
    const size_t offset = checkedOffset(row, column);
    std::unique_ptr<ColourSumCell[]>& tile = tiles_[tileIndex(row, column)];
    if (!tile) tile.reset(new ColourSumCell[kTileSide * kTileSide]());
    return tile[offset];
  }
  // Cells of tiles never written are all this one zero cell.
  const ColourSumCell& operator()(int32_t row, int32_t column) const {
    const size_t offset = checkedOffset(row, column);
    const std::unique_ptr<ColourSumCell[]>& tile = tiles_[tileIndex(row, column)];
    return tile ? tile[offset] : zeroCell();
  }
  // Direct access for samplers that work out tile places themselves: the tiles are stored
  // row by row, tilesAcross() to a row; a tile never written is null. A cell's place in its
  // tile is ((row - lower row) & kTileMask) << kTileShift plus the same for the column.
  int32_t tilesAcross() const { return tilesAcross_; }
  const ColourSumCell* tile(size_t index) const { return tiles_[index].get(); }

  static const ColourSumCell& zeroCell() {
    static const ColourSumCell zero{{0, 0, 0}, 0};
    return zero;
  }

 private:
  size_t tileIndex(int32_t row, int32_t column) const {
    return size_t((int64_t(row) - box_.lowerRow) >> kTileShift) * size_t(tilesAcross_) +
           size_t((int64_t(column) - box_.lowerColumn) >> kTileShift);
  }
  // The cell's place inside its tile.
  size_t checkedOffset(int32_t row, int32_t column) const {
#ifdef BZ_DEBUG
    // The same guard as the arrays' own bounds checks in the checked builds.
    if (row < box_.lowerRow || row > box_.upperRow || column < box_.lowerColumn ||
        column > box_.upperColumn)
      std::abort();
#endif
    return size_t(((int64_t(row) - box_.lowerRow) & kTileMask) << kTileShift) +
           size_t((int64_t(column) - box_.lowerColumn) & kTileMask);
  }

  Box box_{0, 0, -1, -1};
  int32_t tilesAcross_ = 0;
  std::vector<std::unique_ptr<ColourSumCell[]>> tiles_;
};

}  // namespace mask
}  // namespace corvane
