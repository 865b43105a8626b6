#pragma once

#include <cstdint>

namespace corvane {

// A rectangle of array indices, both corners inclusive. It is empty when a lower bound
// exceeds its upper bound in either axis; changed rectangles start out that way.
struct Box {
  int32_t lowerRow;
  int32_t lowerColumn;
  int32_t upperRow;
  int32_t upperColumn;

  constexpr bool empty() const { return lowerRow > upperRow || lowerColumn > upperColumn; }
};

constexpr bool operator==(const Box& a, const Box& b) {
  return a.lowerRow == b.lowerRow && a.lowerColumn == b.lowerColumn && a.upperRow == b.upperRow &&
         a.upperColumn == b.upperColumn;
}
constexpr bool operator!=(const Box& a, const Box& b) {
  return !(a == b);
}

// The sum of two index sets: every bound added pairwise. With a negated element (see
// rectNegate) it widens a box by the element's extent on every side.
constexpr Box operator+(const Box& a, const Box& b) {
  return Box{a.lowerRow + b.lowerRow, a.lowerColumn + b.lowerColumn, a.upperRow + b.upperRow,
             a.upperColumn + b.upperColumn};
}

}  // namespace corvane
