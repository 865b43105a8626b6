#pragma once

#include <blitz/array.h>

#include <array>
#include <cstdint>

#include "util/Box.h"

namespace corvane {
namespace mask {

// The engine's record of one host patch for "Generate mask", built from the host's patch
// request. Override colours keep the host's stored order (channel 0 first).
struct MaskPatch {
  // The patch's mask image over `box`, one byte per pixel, indexed in status-image
  // coordinates; empty when the patch has no mask image. Non-zero bytes belong to the patch.
  blitz::Array<uint8_t, 2> mask;
  // The patch's rectangle in status-image coordinates, both corners inclusive.
  Box box{0, 0, -1, -1};
  uint32_t fgOverrideCount = 0;  // 0 or 1
  uint32_t bgOverrideCount = 0;  // 0 or 1
  std::array<uint8_t, 3> fgOverride{};
  bool isActive = false;
  std::array<uint8_t, 3> bgOverride{};
  float blendRatio = 0.0f;  // 0..1; 0 for choices and membrane patches
  bool membraneUniform = false;
  bool isMembrane = false;
  float membraneValue = 0.0f;
  bool isChoices = false;
  // The two detail values of a choices patch (0..1): foreground and background.
  float choice1 = 0.0f;
  float choice2 = 0.0f;

  bool hasMask() const { return mask.numElements() != 0; }
};

}  // namespace mask
}  // namespace corvane
