#pragma once

#include <blitz/array.h>

#include <cstdint>

#include "classification/IiClassification.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/ByteComponent.h"

namespace classification {

// What auto complex floods over: heights in the second byte of a three-byte image that covers
// at least the work box widened by one pixel, the blend radius map (twice the radius) over at
// least the work box, and the offset added to every height a front steps onto.
struct AutoComplexGround {
  blitz::Array<corvane::BytePixel3, 2> heights;
  blitz::Array<unsigned char, 2> radii;
  int32_t valueOffset = 0;
};

// The ground of `state`'s segmentation: its first gradient image, its local value map and the
// offset trunc(gradientScale × ln(max(innerScale, 2))).
AutoComplexGround autoComplexGround(const IiClassification& state);

// Completes the last selection around its pending rectangle: floods the image from the pixels
// that the selection wrote, the selected pixels it did not write and the pixels of the other
// class, then lays blend discs with radius `blend` × the blend radius where the regions meet,
// and applies the pending change as one undo step. Nothing happens (and nothing is reported)
// when blend is 0 and the pending change is not a region flood, when the pending rectangle is
// empty or when the selection's value carries neither class.
void autoComplex(IiClassification& state, IiClassification::Bytes& status, float blend,
                 ProgressRange progress);
// The same on an explicit ground.
void autoComplex(IiClassification& state, IiClassification::Bytes& status, float blend,
                 const AutoComplexGround& ground, ProgressRange progress);

}  // namespace classification
