#pragma once

// The channel entries of the engine's rank filter: one channel of an image filtered over the
// pixels whose whole kernel range lies inside the source, every other target sample left
// alone.

#include <blitz/array.h>

#include <cstdint>

#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"

namespace classification {

// The pixels of `source` at which every cell of the kernel's index range (non-zero or not)
// falls inside it, intersected with the target's box.
corvane::Box filteredDomain(const corvane::Box& source, const corvane::Box& target,
                            const blitz::Array<int32_t, 2>& kernel);

// The 8-bit channel filter: each target sample of the filtered domain becomes the sample at
// `fraction` of the ordered source samples under the non-zero kernel cells around it,
// counted in a histogram of lo..hi (samples outside taken as the nearest bound).
void filterChannel8(const blitz::Array<uint8_t, 2>& source, blitz::Array<uint8_t, 2> target,
                    const blitz::Array<int32_t, 2>& kernel, ProgressRange progress, float fraction,
                    int32_t lo, int32_t hi);

// The same for channel `channel` (0 to 2) of two three-channel 16-bit arrays; returns the
// filtered domain (empty when the source is smaller than the kernel).
corvane::Box filterChannel16(const blitz::Array<blitz::TinyVector<uint16_t, 3>, 2>& source,
                             int channel, blitz::Array<blitz::TinyVector<uint16_t, 3>, 2> target,
                             const blitz::Array<int32_t, 2>& kernel, float fraction, int32_t lo,
                             int32_t hi, ProgressRange progress);

}  // namespace classification
