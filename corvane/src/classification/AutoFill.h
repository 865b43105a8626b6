#pragma once

#include <blitz/array.h>

#include <cstdint>

#include "classification/IiClassification.h"
#include "classification/UndoStack.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"

namespace classification {

// Completes a one-sided classification: every open pixel (bit 1, neither protection flag) of
// the domain takes the class opposite to the marked side `value` (4 when value has bit 2 and
// no protection flag, else 2), and a blend band (class 8) is laid around every border seed
// with a radius of half the radius map's value times `radiusFactor` (0: no band).
//
// The domain is the status array's box, cut to `rect` when one is given and to the work mask.
// The change goes through the state's work mask and pending change and is applied as one
// recorded step on `undo` (Progress 0.8 before the application, 1.0 after). `radiusMap` is
// read only when radiusFactor is not 0; a seed outside it counts as radius 0.
void autoFill(IiClassification& state, IiClassification::Bytes& status, const corvane::Box* rect,
              uint8_t value, float radiusFactor, const IiClassification::Bytes& radiusMap,
              UndoStack* undo, ProgressRange progress);

}  // namespace classification
