#pragma once

#include <cassert>
#include <cstdint>
#include <vector>

#include "kestrum/matting/Quadrant.h"

namespace kestrum {
namespace matting {

// An inclusive rectangle of cell indices (row, column); empty when a lower bound exceeds
// its upper bound.
struct CellBox {
  int32_t rowLow = 0;
  int32_t colLow = 0;
  int32_t rowHigh = -1;
  int32_t colHigh = -1;

  bool empty() const { return rowLow > rowHigh || colLow > colHigh; }
  int32_t rows() const { return empty() ? 0 : rowHigh - rowLow + 1; }
  int32_t cols() const { return empty() ? 0 : colHigh - colLow + 1; }
  bool contains(int32_t r, int32_t c) const {
    return r >= rowLow && r <= rowHigh && c >= colLow && c <= colHigh;
  }
  // The box of the cells one level up: every index halved, rounding down.
  CellBox halved() const {
    if (empty()) return CellBox{};
    return CellBox{rowLow >> 1, colLow >> 1, rowHigh >> 1, colHigh >> 1};
  }
};

// One level of a palette pyramid: a grid of cells over `grid`. Only cells that hold colours
// are stored (a level spans the whole source image, the colours of a class usually a small
// part of it); every other cell reads as a new, empty cell whose parent is the cell with
// the halved index one level up. Stored cells lie inside `storedBox`, where a dense index
// finds them.
template <class Types>
class PaletteLevel {
 public:
  using Cell = Quadrant<Types>;

  PaletteLevel() = default;
  PaletteLevel(const CellBox& grid, const CellBox& storedBox)
      : grid_(grid),
        stored_(storedBox),
        index_(static_cast<size_t>(storedBox.rows()) * static_cast<size_t>(storedBox.cols()),
               kNone) {
    assert(storedBox.empty() || (grid.contains(storedBox.rowLow, storedBox.colLow) &&
                                 grid.contains(storedBox.rowHigh, storedBox.colHigh)));
  }

  const CellBox& grid() const { return grid_; }
  const CellBox& storedBox() const { return stored_; }
  bool singleCell() const { return grid_.rows() <= 1 && grid_.cols() <= 1; }

  // The stored cell (row, col), or null for a cell without colours.
  const Cell* find(int32_t row, int32_t col) const {
    if (!stored_.contains(row, col)) return nullptr;
    const int32_t i = index_[slot(row, col)];
    return i == kNone ? nullptr : &cells_[static_cast<size_t>(i)];
  }

  // The cell (row, col) inside the stored box, created on first use. Creating a cell may
  // move the others, so links into a level are taken only once all its cells exist.
  Cell& obtain(int32_t row, int32_t col) {
    assert(stored_.contains(row, col));
    int32_t& i = index_[slot(row, col)];
    if (i == kNone) {
      i = static_cast<int32_t>(cells_.size());
      cells_.emplace_back();
    }
    return cells_[static_cast<size_t>(i)];
  }

  size_t cellCount() const { return cells_.size(); }
  std::vector<Cell>& cells() { return cells_; }
  const std::vector<Cell>& cells() const { return cells_; }

  // Calls f(row, col, cell) for every stored cell in row-major order.
  template <class F>
  void forEachCell(F&& f) {
    for (int32_t r = stored_.rowLow; r <= stored_.rowHigh; ++r) {
      const int32_t* line = index_.data() + slot(r, stored_.colLow);
      for (int32_t c = stored_.colLow; c <= stored_.colHigh; ++c, ++line) {
        if (*line != kNone) f(r, c, cells_[static_cast<size_t>(*line)]);
      }
    }
  }

 private:
  static constexpr int32_t kNone = -1;

  size_t slot(int32_t row, int32_t col) const {
    return static_cast<size_t>(row - stored_.rowLow) * static_cast<size_t>(stored_.cols()) +
           static_cast<size_t>(col - stored_.colLow);
  }

  CellBox grid_;
  CellBox stored_;
  std::vector<int32_t> index_;
  std::vector<Cell> cells_;
};

}  // namespace matting
}  // namespace kestrum
