#pragma once

#include <cstdint>

// The signature word every engine object carries while it lives; destructors wipe it so a
// stale copy of a handle cannot pass for a live object.
constexpr uint32_t kCvSignature = 0xFFFFFFFBu;

struct CvSigned {
  uint32_t signature = kCvSignature;
};
