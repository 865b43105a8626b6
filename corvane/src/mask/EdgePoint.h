#pragma once

namespace corvane {
namespace mask {

// A point of a forced edge in pixel units, (row, column); a pixel's centre lies at
// (row + 0.5, column + 0.5).
struct EdgePoint {
  float row;
  float column;
};

inline bool operator==(const EdgePoint& a, const EdgePoint& b) {
  return a.row == b.row && a.column == b.column;
}
inline bool operator!=(const EdgePoint& a, const EdgePoint& b) {
  return !(a == b);
}

}  // namespace mask
}  // namespace corvane
