#pragma once

#include <cstdint>

namespace corvane {

// A pixel position (row, column) with a weight.
struct WeightedPixel {
  int32_t row;
  int32_t column;
  float weight;

  WeightedPixel() = default;
  constexpr WeightedPixel(int32_t row, int32_t column, float weight)
      : row(row), column(column), weight(weight) {}
};

}  // namespace corvane
