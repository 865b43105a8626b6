#pragma once

#include <blitz/array.h>

#include <cstdint>

namespace corvane {
namespace morphology {

// Inclusive 2-D index box (lower first, lower second, upper first, upper second), empty when a
// lower bound exceeds its upper bound. Stands in for the engine's shared box type until that
// lands; the fields follow the same order so the switch is a type alias.
struct LineBox {
  int32_t lowerRow;
  int32_t lowerCol;
  int32_t upperRow;
  int32_t upperCol;

  bool isEmpty() const { return lowerRow > upperRow || lowerCol > upperCol; }
  bool operator==(const LineBox& o) const {
    return lowerRow == o.lowerRow && lowerCol == o.lowerCol && upperRow == o.upperRow &&
           upperCol == o.upperCol;
  }
};

// A pair with component `axis` set to `value` and the other 0.
inline blitz::TinyVector<int32_t, 2> axisVector(int axis, int32_t value) {
  blitz::TinyVector<int32_t, 2> v(0, 0);
  v(axis) = value;
  return v;
}

}  // namespace morphology
}  // namespace corvane
