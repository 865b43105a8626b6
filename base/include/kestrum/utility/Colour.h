#pragma once

#include <cstdint>
#include <type_traits>

namespace kestrum {
namespace utility {

// One pixel of the host's colour images: four samples in memory order, channels 0 to 2 the
// colour (the byte order of a 32-bit ARGB image on a little-endian processor: blue, green,
// red) and channel 3 alpha. Arrays of it overlay the host's pixels, so it has no padding.
template <class T>
struct Colour {
  T channel[4];

  T& operator[](int k) { return channel[k]; }
  const T& operator[](int k) const { return channel[k]; }
  T alpha() const { return channel[3]; }

  friend bool operator==(const Colour& a, const Colour& b) {
    return a.channel[0] == b.channel[0] && a.channel[1] == b.channel[1] &&
           a.channel[2] == b.channel[2] && a.channel[3] == b.channel[3];
  }
  friend bool operator!=(const Colour& a, const Colour& b) { return !(a == b); }
};

static_assert(sizeof(Colour<uint8_t>) == 4, "an 8-bit colour overlays a 32-bit pixel");
static_assert(sizeof(Colour<uint16_t>) == 8, "a 16-bit colour overlays a 64-bit pixel");
static_assert(std::is_trivially_copyable<Colour<uint8_t>>::value, "colours are copied as bytes");

}  // namespace utility
}  // namespace kestrum
