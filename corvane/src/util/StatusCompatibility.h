#pragma once

#include <cstdint>

#include "Corvane.h"

namespace corvane {

// Whether a pixel of status `status` may be changed by a request with `value` and `mask`:
// pixels outside the picture never match a request with class bits, and a pixel flagged
// inside the mask matches only a request carrying the same flag.
inline bool statusCompatible(uint8_t status, uint8_t value, uint8_t mask) {
  if ((mask & CvStatusClassMask) && !(status & value & mask & CvStatusClassMask)) return false;
  if ((status & mask & CvStatusForcedEdge) && !(value & mask & CvStatusForcedEdge)) return false;
  if ((status & mask & CvStatusProtected) && !(value & mask & CvStatusProtected)) return false;
  return true;
}

}  // namespace corvane
