#pragma once

#include <cstdint>

#include "Corvane.h"

namespace corvane {

// The value a select request writes and the mask that limits it.
struct StatusValueMask {
  uint8_t value;
  uint8_t mask;
};

// The value and mask of a select request with the tool's mode, the target status and the
// exclusive flag.
StatusValueMask selectStatusMask(uint8_t mode, uint8_t target, bool exclusive);

// Fills the status image `status` (kind 0, at least the picture's width and height) from the
// picture's fourth channel: 1 where it is exactly the kind's maximum, 0 elsewhere; 1
// everywhere for a kind without one. The picture's description must already be validated:
// data non-null and rows long enough for a known kind.
void fillStatusImage(const CvImage& status, const CvImage& picture);

// Whether `picture` can be read by fillStatusImage: for a known pixel kind, a non-empty
// picture needs data and a stride of at least its bytes per pixel × width.
bool statusPictureReadable(const CvImage& picture);

}  // namespace corvane
