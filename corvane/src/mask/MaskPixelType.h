#pragma once

#include <cstdint>
#include <type_traits>

#include "kestrum/utility/Colour.h"

namespace corvane {
namespace mask {

// One of the three pixel types of mask generation: four channels of `SampleT` whose full
// scale is `MaxSample`. The stages are written once over this and differ in nothing else.
template <class SampleT, int32_t MaxSample>
struct MaskPixelType {
  static_assert(std::is_unsigned<SampleT>::value, "samples are unsigned");
  using Sample = SampleT;
  using Pixel = kestrum::utility::Colour<SampleT>;

  static constexpr int32_t maxSample = MaxSample;
  static constexpr float maxSampleF = static_cast<float>(MaxSample);
  // The edge-cap alpha is (3 - 2g) g² times this, truncated: just below 256 for bytes so that
  // full opacity lands on 255; the 16-bit types use max + 1 and clamp the result instead.
  static constexpr float capAlphaFactor =
      MaxSample == 255 ? 255.9999f : static_cast<float>(MaxSample + 1);
};

using MaskPixel8 = MaskPixelType<uint8_t, 255>;
using MaskPixel16 = MaskPixelType<uint16_t, 65535>;
using MaskPixelHalf16 = MaskPixelType<uint16_t, 32768>;

// The sample type of a working-image pixel (kestrum Colour or a Blitz TinyVector).
template <class WorkPixel>
using WorkSample = std::decay_t<decltype(std::declval<const WorkPixel&>()[0])>;

// Factor that brings a working-image colour into the pixel type's sample units. The working
// image is either the source at working resolution (same type, factor 1) or the session's
// 8-bit working colours, which a 16-bit pass must stretch by maxSample / 255.
template <class PixelType, class WorkPixel>
constexpr float workingColourScale() {
  return sizeof(WorkSample<WorkPixel>) == 1 && PixelType::maxSample != 255
             ? PixelType::maxSampleF / 255.0f
             : 1.0f;
}

}  // namespace mask
}  // namespace corvane
