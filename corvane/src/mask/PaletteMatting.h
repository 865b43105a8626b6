#pragma once

// The palette matting kernels of "Generate mask": for every full-resolution pixel of the
// matting region they find a foreground and a background colour in palettes gathered from
// the kept and the deleted pixels nearby, clean both colour images with a 3x3 median, and
// write the pixel's colour freed of its background and its alpha into the output.

#include <blitz/array.h>

#include <cstdint>

#include "kestrum/utility/Colour.h"
#include "kestrum/utility/ProgressRange.h"
#include "mask/MaskPatch.h"
#include "util/Box.h"

namespace corvane {
namespace mask {

using MattePixel8 = kestrum::utility::Colour<uint8_t>;
using MattePixel16 = kestrum::utility::Colour<uint16_t>;

// What a matting kernel answers.
enum MatteResult : int32_t {
  // The region was matted (or held no pixel to matte).
  kMatteDone = 0,
  // No pixel of the region carries the keep class (bit 2), or none the delete class (bit 4):
  // there is nothing to mix, so nothing was written and the status array is unchanged.
  // Not an engine failure: the caller treats the patch as matted by the other passes.
  kMatteNoForeground = 0x100,
  kMatteNoBackground = 0x200,
};

// The kernels for pixel types 1 (8-bit samples, maximum 255), 2 (16-bit, maximum 65535) and
// 3 (16-bit storage, maximum 32768). Arguments:
// - source: the full-resolution source image over the request domain, indexed (row, column)
//   with the domain's own index values; channels 0 to 2 are the colour.
// - status: the session's whole status array. The kernel reads its bits 2 (keep), 4 (delete),
//   64 (hold: not matted) and 128 (matting region): pixels with 128 and a class bit feed that
//   class's palette, pixels with 128 and without 64 inside `subDomain` are matted. On return
//   with kMatteDone every pixel of `subDomain` that had 128 has 64 instead.
// - output: the output image, a view sharing the caller's pixels, indexed like `source`.
//   Only matted pixels are written (all four channels).
// - subDomain: the pass's box in status-image coordinates (inclusive); clipped to the status
//   array, and the full-resolution box it covers to both source and output.
// - rowScale, columnScale: full-resolution pixels per status pixel along each axis.
// - patch: the choices patch; choice1 and choice2 are the foreground and background detail.
// - progress: the kernel's slice of the caller's progress.
// Throws CvExCancel when the progress receiver cancels, std::bad_alloc when memory runs out.
int32_t mattePalettes8(const blitz::Array<MattePixel8, 2>& source, blitz::Array<uint8_t, 2> status,
                       blitz::Array<MattePixel8, 2> output, const Box& subDomain, float rowScale,
                       float columnScale, const MaskPatch& patch, ProgressRange progress);
int32_t mattePalettes16(const blitz::Array<MattePixel16, 2>& source,
                        blitz::Array<uint8_t, 2> status, blitz::Array<MattePixel16, 2> output,
                        const Box& subDomain, float rowScale, float columnScale,
                        const MaskPatch& patch, ProgressRange progress);
int32_t mattePalettesHalf16(const blitz::Array<MattePixel16, 2>& source,
                            blitz::Array<uint8_t, 2> status, blitz::Array<MattePixel16, 2> output,
                            const Box& subDomain, float rowScale, float columnScale,
                            const MaskPatch& patch, ProgressRange progress);

// The palette split distance of a detail value d in sample units: 215 · (1 − d)^power + 5,
// from 5 (full detail) to 220.
float matteSplitDistance(float detail, int power);

}  // namespace mask
}  // namespace corvane
