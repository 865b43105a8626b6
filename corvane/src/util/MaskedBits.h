#pragma once

#include <cstdint>

namespace corvane {

// Writes the bits of v selected by mask m into *p, leaving the other bits alone.
inline void setMaskedBits(uint8_t* p, uint8_t v, uint8_t m) {
  *p = static_cast<uint8_t>((*p & ~m) | (v & m));
}

// The channel maximum of the 16-bit pixel type whose full scale is 32768.
constexpr int32_t shortHalfRange() {
  return 32768;
}

}  // namespace corvane
