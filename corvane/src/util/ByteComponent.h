#pragma once

#include <blitz/array.h>

#include "util/BlitzViews.h"

namespace corvane {

using BytePixel3 = blitz::TinyVector<unsigned char, 3>;
using ByteComponentView = ComponentView<BytePixel3, unsigned char>;

// Component k (0 to 2) of every pixel of a three-byte image, as a byte array with the image's
// domain and three times its strides. Writes through the view change the image, and the view
// keeps the image's storage alive for as long as it exists.
inline ByteComponentView extractByteComponent(const blitz::Array<BytePixel3, 2>& image, int k) {
  return ByteComponentView(image, k);
}

}  // namespace corvane
