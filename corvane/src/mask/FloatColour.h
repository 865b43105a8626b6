#pragma once

namespace corvane {
namespace mask {

// Three colour channels (channels 0 to 2 of a pixel) in single precision, in sample units.
struct FloatColour {
  float channel[3];

  float& operator[](int k) { return channel[k]; }
  const float& operator[](int k) const { return channel[k]; }
};

}  // namespace mask
}  // namespace corvane
