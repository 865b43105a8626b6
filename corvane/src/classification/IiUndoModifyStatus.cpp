#include "classification/IiUndoModifyStatus.h"

#include <algorithm>

#include "classification/IiClassification.h"

namespace classification {

IiUndoModifyStatus::IiUndoModifyStatus(const blitz::Array<uint8_t, 2>& newValues,
                                       const blitz::Array<uint8_t, 2>& status)
    : box_{newValues.lbound(0), newValues.lbound(1), newValues.ubound(0), newValues.ubound(1)},
      status_(status) {
  const int rows = newValues.extent(0);
  const int columns = newValues.extent(1);
  const ptrdiff_t newStride = newValues.stride(1);
  const ptrdiff_t statusStride = status.stride(1);

  uint32_t current = 0;
  uint32_t length = 0;
  for (int r = 0; r < rows; ++r) {
    const uint8_t* w = &newValues(box_.lowerRow + r, box_.lowerColumn);
    const uint8_t* s = &status(box_.lowerRow + r, box_.lowerColumn);
    for (int c = 0; c < columns; ++c, w += newStride, s += statusStride) {
      const uint32_t d = (*w == 0 || *s == 0) ? 0u : uint32_t(*w ^ *s);
      if (d == current && length != 0 && length < kMaxRunLength) {
        ++length;
        continue;
      }
      if (length != 0) runs_.push_back((length << 8) | current);
      current = d;
      length = 1;
    }
  }
  if (length != 0) runs_.push_back((length << 8) | current);
  runs_.shrink_to_fit();
}

void IiUndoModifyStatus::apply() noexcept {
  const int64_t columns = int64_t(box_.upperColumn) - box_.lowerColumn + 1;
  const ptrdiff_t stride = status_.stride(1);
  int64_t row = 0;
  int64_t column = 0;
  for (const uint32_t run : runs_) {
    const uint8_t d = uint8_t(run & 0xFF);
    int64_t length = run >> 8;
    if (d == 0) {
      column += length;
      row += column / columns;
      column %= columns;
      continue;
    }
    while (length > 0) {
      const int64_t span = std::min(length, columns - column);
      uint8_t* s = &status_(int(box_.lowerRow + row), int(box_.lowerColumn + column));
      for (int64_t i = 0; i < span; ++i, s += stride) *s ^= d;
      length -= span;
      column += span;
      if (column == columns) {
        column = 0;
        ++row;
      }
    }
  }
}

void IiUndoModifyStatus::undo(IiClassification& state) {
  apply();
  state.widenDirtyRect(box_);
}

}  // namespace classification
