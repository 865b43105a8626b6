#pragma once

#include <cstdint>
#include <vector>

#include "kestrum/matting/PaletteLevel.h"
#include "kestrum/matting/PreparedPalette.h"

namespace kestrum {
namespace matting {

// The palette levels of one status class, finest first: level 0 has a cell for every 2x2
// block of source pixels, each further level one for every 2x2 block of the cells below,
// and the last level is a single cell. Built once per matting call, then read-only.
template <class Types>
class PalettePyramid {
 public:
  using Level = PaletteLevel<Types>;
  using Cell = Quadrant<Types>;
  using Palette = std::vector<typename Cell::Cluster>;

  // A palette found under a pixel: the cell's cluster list (null when the pyramid has no
  // colour on the way up), its prepared form (null until prepare() ran) and the level it
  // was found at.
  struct Found {
    const Palette* palette;
    const PreparedPalette* prepared;
    int32_t level;
  };

  std::vector<Level>& levels() { return levels_; }
  const std::vector<Level>& levels() const { return levels_; }
  int32_t lastLevel() const { return static_cast<int32_t>(levels_.size()) - 1; }

  // Whether no cell of the pyramid holds a colour. Every colour reaches the top cell.
  bool empty() const { return levels_.empty() || levels_.back().cellCount() == 0; }

  // The palette of the first cell with colours on the way up from the cell of pixel
  // (row, col) on `level`. The pixel must lie inside the source the pyramid was built on.
  Found paletteAtLevel(int32_t row, int32_t col, int32_t level) const {
    const int32_t last = lastLevel();
    for (; level <= last; ++level) {
      const Level& l = levels_[static_cast<size_t>(level)];
      const Cell* cell = l.find(row >> (level + 1), col >> (level + 1));
      if (cell && cell->colourCount() > 0) {
        const PreparedPalette* prepared = nullptr;
        if (static_cast<size_t>(level) < prepared_.size()) {
          prepared =
              &prepared_[static_cast<size_t>(level)][static_cast<size_t>(cell - l.cells().data())];
        }
        return Found{&cell->palette, prepared, level};
      }
    }
    return Found{nullptr, nullptr, last};
  }

  // Prepares every cell's palette for evaluation. The levels must be complete.
  void prepare() {
    beginPreparing();
    for (size_t level = 0; level < levels_.size(); ++level) {
      for (size_t i = 0; i < levels_[level].cellCount(); ++i) prepareCell(level, i);
    }
  }

  // The same in steps that may run in parallel: beginPreparing first, then prepareCell for
  // every cell of every level, each exactly once.
  void beginPreparing() {
    prepared_.clear();
    prepared_.reserve(levels_.size());
    for (const Level& level : levels_) prepared_.emplace_back(level.cellCount());
  }
  void prepareCell(size_t level, size_t cell) {
    prepared_[level][cell] = preparePalette(levels_[level].cells()[cell].palette);
  }

 private:
  std::vector<Level> levels_;
  std::vector<std::vector<PreparedPalette>> prepared_;
};

}  // namespace matting
}  // namespace kestrum
