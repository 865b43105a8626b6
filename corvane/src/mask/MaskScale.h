#pragma once

namespace corvane {
namespace mask {

// Full-resolution pixels per working cell along each index: the subsample factor of a mask
// request (1, 2, 4 or 8 in both).
struct MaskScale {
  float row;
  float column;
};

}  // namespace mask
}  // namespace corvane
