#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <vector>

#include "Corvane.h"
#include "classification/IiClassification.h"

namespace sessiontest {

// A host picture of opaque grey pixels, kept alive by the caller.
struct Picture {
  std::vector<uint8_t> pixels;
  CvImage description;

  Picture(uint32_t width, uint32_t height) : pixels(size_t{width} * height * 4, 200) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
    description = CvImage{width, height, width * 4, CvKindRgba8, pixels.data()};
  }
};

// A colour image for a classification state, indexed from (row0, column0).
inline classification::IiClassification::Image colourImage(int rows, int columns, int row0 = 0,
                                                           int column0 = 0) {
  classification::IiClassification::Image image(rows, columns);
  image = classification::IiClassification::Colour{{10, 20, 30, 255}};
  image.reindexSelf(blitz::TinyVector<int, 2>(row0, column0));
  return image;
}

// A status array filled with `value`, indexed from (row0, column0).
inline blitz::Array<uint8_t, 2> statusArray(int rows, int columns, uint8_t value, int row0 = 0,
                                            int column0 = 0) {
  blitz::Array<uint8_t, 2> status(rows, columns);
  status = value;
  status.reindexSelf(blitz::TinyVector<int, 2>(row0, column0));
  return status;
}

// The bytes of a status image, row by row without padding.
inline std::vector<uint8_t> statusBytes(const CvImage* image) {
  std::vector<uint8_t> bytes;
  const auto* data = static_cast<const uint8_t*>(image->data);
  for (uint32_t r = 0; r < image->height; ++r)
    bytes.insert(bytes.end(), data + size_t{r} * image->stride,
                 data + size_t{r} * image->stride + image->width);
  return bytes;
}

inline uint8_t& statusAt(CvImage* image, uint32_t row, uint32_t column) {
  return static_cast<uint8_t*>(image->data)[size_t{row} * image->stride + column];
}

}  // namespace sessiontest
