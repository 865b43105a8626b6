#pragma once

#include <array>
#include <cstdint>

namespace corvane {

// Three channel values clamped into 0..255.
inline std::array<uint8_t, 3> clampToByteColour(int32_t c0, int32_t c1, int32_t c2) {
  auto clamp = [](int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
  return {clamp(c0), clamp(c1), clamp(c2)};
}

}  // namespace corvane
