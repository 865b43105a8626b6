#pragma once

#include <cstdint>

namespace corvane {

struct WeightedIndex {
  int32_t index;
  float weight;

  WeightedIndex() = default;
  constexpr WeightedIndex(int32_t index, float weight) : index(index), weight(weight) {}
};

constexpr WeightedIndex makeHalfWeightedIndex(int32_t index) {
  return WeightedIndex(index, 0.5f);
}

}  // namespace corvane
