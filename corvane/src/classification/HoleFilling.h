#pragma once

#include <cstdint>

#include "classification/IiClassification.h"
#include "kestrum/utility/ProgressRange.h"

namespace classification {

// Cleans up the last selection: unassigned holes and notches of the pending rectangle that a
// square window of `size` pixels bridges, and that cannot be reached from outside the
// selection through unselected pixels, take the selection's value. Applies the pending change
// as one undo step. An empty pending rectangle only reports the end; a size of 0 or less does
// nothing.
void despeckle(IiClassification& state, IiClassification::Bytes& status, int32_t size,
               ProgressRange progress);

// The same with a window of rowSize + 1 rows and columnSize + 1 columns (both at least 1),
// placed rowSize / 2 rows above and columnSize / 2 columns left of each pixel.
void despeckleRegions(IiClassification& state, IiClassification::Bytes& status, int32_t rowSize,
                      int32_t columnSize, ProgressRange progress);

}  // namespace classification
