#pragma once

namespace corvane {
namespace mask {

// A colour-pyramid cell, or a pyramid sample: the summed colour channels 0 to 2 of the pixels
// gathered and their count (a sample's fourth value is its accumulated weight).
struct ColourSumCell {
  float sum[3];
  float count;
};
static_assert(sizeof(ColourSumCell) == 4 * sizeof(float), "four floats in a row");

}  // namespace mask
}  // namespace corvane
