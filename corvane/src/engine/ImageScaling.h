#pragma once

#include <blitz/array.h>

#include <cstdint>

#include "Corvane.h"

namespace corvane {

// A pixel of four 8-bit channels, channel 3 alpha.
using Rgba8Pixel = blitz::TinyVector<uint8_t, 4>;
using Rgba8Array = blitz::Array<Rgba8Pixel, 2>;

// A (height, width) array over a kind-1 description's pixels, rows stride / 4 pixels apart;
// shares the caller's buffer. The description must have been checked (sizes fit an int,
// stride at least 4 × width, data present when not empty).
Rgba8Array wrapRgba8(const CvImage& image);

// The reduction factor for a source of (sw, sh) into a destination of (dw, dh), both
// destination extents non-zero: the larger of the per-axis quotients rounded up, in single
// precision, with 3 taken as 4 and 7 as 8. Anything above 8 is answered as 9.
int reductionFactor(uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh);

// Reduces `source` into `destination` by reductionFactor: a copy for 1, block medians for 2,
// 4 and 8, nothing for any other factor. Throws "Image too small" when the source is smaller
// than one block in either direction.
void reduceImage(const Rgba8Array& source, const Rgba8Array& destination, uint32_t sw, uint32_t sh,
                 uint32_t dw, uint32_t dh);

// Copies the overlap of the two arrays, pixel for pixel.
void copyImageUnscaled(Rgba8Array destination, Rgba8Array source);

// Each destination pixel takes, per channel, the mean (rounded down) of the two middle values
// of its block of the source: 2×2 for factor 2, 4×4 without corners (12 pixels) for factor 4,
// 8×8 without three pixels at each corner (52) for factor 8. A last partial block row or
// column of the source reaches the destination's last row or column through its last full
// block. Throws "Image too small" before writing when the source is shorter or narrower
// than one block.
void downscaleImageMedian2(Rgba8Array destination, Rgba8Array source);
void downscaleImageMedian4(Rgba8Array destination, Rgba8Array source);
void downscaleImageMedian8(Rgba8Array destination, Rgba8Array source);

}  // namespace corvane
