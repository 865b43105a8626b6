#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "mask/ColourSumCell.h"
#include "util/Box.h"

namespace corvane {
namespace mask {

// One level of a colour pyramid: a row-major grid of colour sums over an inclusive box,
// indexed (row, column) in the level's own coordinates, every cell zero when made. The cells
// come zeroed from the allocator, so a level over a large box costs memory only where border
// colours land: most of a level is never touched. Copies share the cells, like array views.
class PyramidLevel {
 public:
  PyramidLevel() = default;
  explicit PyramidLevel(const Box& box) : box_(box) {
    if (box.empty()) return;
    const int64_t rows = int64_t(box.upperRow) - box.lowerRow + 1;
    columns_ = int64_t(box.upperColumn) - box.lowerColumn + 1;
    void* cells = std::calloc(static_cast<size_t>(rows * columns_), sizeof(ColourSumCell));
    if (!cells) throw std::bad_alloc();
    cells_.reset(static_cast<ColourSumCell*>(cells), FreeCells());
  }

  const Box& box() const { return box_; }
  int32_t rows() const { return box_.empty() ? 0 : box_.upperRow - box_.lowerRow + 1; }
  int32_t columns() const { return static_cast<int32_t>(columns_); }

  // The cell at (row, column), which must lie inside the box.
  ColourSumCell& operator()(int32_t row, int32_t column) { return *cell(row, column); }
  const ColourSumCell& operator()(int32_t row, int32_t column) const { return *cell(row, column); }

 private:
  struct FreeCells {
    void operator()(ColourSumCell* p) const { std::free(p); }
  };

  ColourSumCell* cell(int32_t row, int32_t column) const {
#ifdef BZ_DEBUG
    if (row < box_.lowerRow || row > box_.upperRow || column < box_.lowerColumn ||
        column > box_.upperColumn)
      std::abort();
#endif
    return cells_.get() + (int64_t(row) - box_.lowerRow) * columns_ + (column - box_.lowerColumn);
  }

  Box box_{0, 0, -1, -1};
  int64_t columns_ = 0;
  std::shared_ptr<ColourSumCell> cells_;
};

}  // namespace mask
}  // namespace corvane
