#pragma once

// The preparation of "Generate mask": both classes 2 and 4 made present (auto fill when only
// one is), the chamfer distances of every other cell to each class, and the spreading of each
// class's colours over a membrane patch's region.

#include <blitz/array.h>

#include <cstdint>

#include "classification/IiClassification.h"
#include "classification/UndoStack.h"
#include "kestrum/utility/ProgressRange.h"
#include "mask/ColourOps.h"
#include "mask/MaskPatch.h"
#include "util/Box.h"

namespace corvane {
namespace mask {

// Which classes are present after the preparation, and the box over which the passes gather
// class colours: the whole status box, or the wide region when the region alone holds both.
struct MaskFillResult {
  Box rect;
  bool hasStatus2 = false;
  bool hasStatus4 = false;
};

// Tests which of the classes 2 and 4 occur (first inside `region`, then in the whole status
// array) and, when exactly one does and unassigned pixels exist, runs auto fill with the
// radius factor `fillRadius` on the region and then, if still needed, on the whole array. Each
// auto fill commits a user-level step on `undo` first and records its change there. The
// radius map is the state's blend radii (read only when fillRadius is not 0).
MaskFillResult autoFillForMask(::classification::IiClassification& state, const Box& extent,
                               const Box& region, blitz::Array<uint8_t, 2>& status,
                               const Box& wideRegion, float fillRadius,
                               const blitz::Array<uint8_t, 2>& radiusMap, UndoStack& undo,
                               ProgressRange progress);

// Per cell of `status`'s box: (d2, d4), the chamfer distances through the cells of neither
// class to the nearest class-2 and class-4 cell; 0 on cells of either class, and
// kNoClassDistance where a class cannot be reached. Reports nothing.
constexpr float kNoClassDistance = 1.7014117e38f;
blitz::Array<ClassDistances, 2> growStatusRegions(const blitz::Array<uint8_t, 2>& status,
                                                  ProgressRange progress);

// The colours of class `classValue` spread over the box of `status`: cells of the class keep
// the state's image colour, every other cell takes the colour of its nearest class cell (5×5
// chamfer), and the cells marked for the pass (bit 128 without 64) are then refined by
// 1 + 99 × membraneValue relaxation passes from their neighbours. Indexed like `status`.
blitz::Array<ByteColour3, 2> prepareMaskRegions(const ::classification::IiClassification& state,
                                                const blitz::Array<uint8_t, 2>& status,
                                                uint8_t classValue, const MaskPatch& patch);

}  // namespace mask
}  // namespace corvane
