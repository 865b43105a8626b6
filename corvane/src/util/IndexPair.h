#pragma once

#include <cstdint>

namespace corvane {

// A (row, column) pair: a position, an offset or the two extents of a box.
struct IndexPair {
  int32_t first;
  int32_t second;
};

constexpr bool operator==(const IndexPair& a, const IndexPair& b) {
  return a.first == b.first && a.second == b.second;
}
constexpr bool operator!=(const IndexPair& a, const IndexPair& b) {
  return !(a == b);
}

// The pair with component `axis` (0 or 1) set to v and the other 0: the step along one axis.
constexpr IndexPair axisVector(int axis, int32_t v) {
  return axis == 0 ? IndexPair{v, 0} : IndexPair{0, v};
}

// Component-wise minimum; b's component wins only when strictly smaller.
constexpr IndexPair pairMin(const IndexPair& a, const IndexPair& b) {
  return IndexPair{b.first < a.first ? b.first : a.first,
                   b.second < a.second ? b.second : a.second};
}

// Component-wise maximum; b's component wins only when strictly greater.
constexpr IndexPair pairMax(const IndexPair& a, const IndexPair& b) {
  return IndexPair{b.first > a.first ? b.first : a.first,
                   b.second > a.second ? b.second : a.second};
}

}  // namespace corvane
