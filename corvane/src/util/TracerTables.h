#pragma once

#include <array>

#include "util/IndexPair.h"

namespace corvane {

// Four rows of four (first, second) pairs, indexed [i][k].
using TracerTable = std::array<std::array<IndexPair, 4>, 4>;

// Row i: the offsets of the 2 x 2 pixel block in quadrant i of a pixel corner (origin, the
// two edge neighbours, the diagonal). Each row is the previous one turned a quarter.
constexpr TracerTable quadrantOffsets() {
  return TracerTable{{{{{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
                      {{{0, 0}, {0, 1}, {-1, 0}, {-1, 1}}},
                      {{{0, 0}, {-1, 0}, {0, -1}, {-1, -1}}},
                      {{{0, 0}, {0, -1}, {1, 0}, {1, -1}}}}};
}

// The continuation states of the boundary tracers.
constexpr TracerTable crackStateTable() {
  return TracerTable{{{{{0, 3}, {1, 0}, {-1, -1}, {-2, -2}}},
                      {{{0, 3}, {3, 1}, {3, 1}, {3, 1}}},
                      {{{0, 3}, {-1, -1}, {-1, -1}, {-2, -2}}},
                      {{{-2, -2}, {-2, -2}, {-2, -2}, {-2, -2}}}}};
}

}  // namespace corvane
