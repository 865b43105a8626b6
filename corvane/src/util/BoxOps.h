#pragma once

#include <cstdint>

#include "util/Box.h"
#include "util/IndexPair.h"

namespace corvane {

// Widens the box by m on every side (m < 0 shrinks it).
inline void expandDomain(Box& box, int32_t m) {
  box.lowerRow -= m;
  box.lowerColumn -= m;
  box.upperRow += m;
  box.upperColumn += m;
}

// The box widened by m on every side (m < 0 shrinks it), its bounds held to the 32-bit range.
inline Box widened(const Box& box, int32_t m) {
  const auto clamp = [](int64_t x) {
    return static_cast<int32_t>(x < INT32_MIN ? INT32_MIN : x > INT32_MAX ? INT32_MAX : x);
  };
  return Box{clamp(int64_t{box.lowerRow} - m), clamp(int64_t{box.lowerColumn} - m),
             clamp(int64_t{box.upperRow} + m), clamp(int64_t{box.upperColumn} + m)};
}

// The number of indices in the inclusive range low..high.
constexpr int32_t rangeLength(int32_t low, int32_t high) {
  return high - low + 1;
}

// Grows the box to contain the point; an empty box becomes that single point.
inline void includePoint(Box& box, int32_t row, int32_t column) {
  if (box.empty()) {
    box = Box{row, column, row, column};
    return;
  }
  if (row < box.lowerRow) box.lowerRow = row;
  if (column < box.lowerColumn) box.lowerColumn = column;
  if (row > box.upperRow) box.upperRow = row;
  if (column > box.upperColumn) box.upperColumn = column;
}

// Grows a to contain b. Empty boxes contribute nothing, so an empty a becomes b.
inline void uniteBox(Box& a, const Box& b) {
  if (b.empty()) return;
  if (a.empty()) {
    a = b;
    return;
  }
  if (b.lowerRow < a.lowerRow) a.lowerRow = b.lowerRow;
  if (b.lowerColumn < a.lowerColumn) a.lowerColumn = b.lowerColumn;
  if (b.upperRow > a.upperRow) a.upperRow = b.upperRow;
  if (b.upperColumn > a.upperColumn) a.upperColumn = b.upperColumn;
}

// The common part of two boxes (empty when they do not meet).
constexpr Box intersectBox(const Box& a, const Box& b) {
  return Box{a.lowerRow > b.lowerRow ? a.lowerRow : b.lowerRow,
             a.lowerColumn > b.lowerColumn ? a.lowerColumn : b.lowerColumn,
             a.upperRow < b.upperRow ? a.upperRow : b.upperRow,
             a.upperColumn < b.upperColumn ? a.upperColumn : b.upperColumn};
}

// (rows, columns) of the box.
constexpr IndexPair rectExtents(const Box& box) {
  return IndexPair{rangeLength(box.lowerRow, box.upperRow),
                   rangeLength(box.lowerColumn, box.upperColumn)};
}

// The set of negated offsets of the box.
constexpr Box rectNegate(const Box& box) {
  return Box{-box.upperRow, -box.upperColumn, -box.lowerRow, -box.lowerColumn};
}

// p + rectNegate(q): every offset of p minus every offset of q.
constexpr Box boxMinus(const Box& p, const Box& q) {
  return p + rectNegate(q);
}

// The same box with rows and columns exchanged.
constexpr Box rectSwapAxes(const Box& box) {
  return Box{box.lowerColumn, box.lowerRow, box.upperColumn, box.upperRow};
}

}  // namespace corvane
