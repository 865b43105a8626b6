#pragma once

#include <blitz/array.h>

#include <cstdint>

#include "Corvane.h"
#include "engine/CvSigned.h"
#include "util/Box.h"

// A CvSelection in engine terms: its inclusive box (first row y, first column x) and, when the
// selection carries data, an array of its status bytes indexed in the picture's coordinates.
struct CvSelectionArray {
  corvane::Box box;
  blitz::Array<uint8_t, 2> array;
  // False when the box's last row or column is not below INT32_MAX, when a selection with data
  // has a corner at INT32_MIN, or when the data cannot be read as one byte per pixel (kind 0,
  // stride at least the width); box and array are then empty.
  bool readable;
};

// An engine image: the object behind an image handle (the address of its CvImage part).
// Every engine image is recorded as a live handle; one registered in an engine is destroyed
// by CvFinish at the latest.
struct CvInImage : CvImage, CvSigned {
  // Signature set, everything else zero; not registered.
  CvInImage();
  // A status image: kind 0, one byte per pixel, zeroed, rows padded to a multiple of 4 bytes
  // (and of `alignment` when it is not 0, the first row then starting on such an address);
  // owns its buffer and is registered in `engine`. Throws std::bad_alloc when the buffer
  // cannot be described or allocated.
  CvInImage(CvEngine* engine, uint32_t width, uint32_t height, uint32_t alignment = 0);
  // Shares the source's pixels without owning them; registered in the source's engine, if any.
  CvInImage(const CvInImage& source);
  // A status view of the window of `array` whose first pixel is `row` rows and `column`
  // columns from the array's first element; not registered, owns nothing.
  CvInImage(const blitz::Array<uint8_t, 2>& array, int32_t row, int32_t column, uint32_t width,
            uint32_t height);
  virtual ~CvInImage();
  CvInImage& operator=(const CvInImage&) = delete;

  // The selection's box and, when it has data, an array over its bytes (not copied).
  static CvSelectionArray makeArray(const CvSelection& selection);

  bool ownsBuffer() const { return ownsBuffer_; }
  CvEngine* engine() const { return engine_; }
  uint32_t alignment() const { return alignment_; }

 private:
  void enterEngine(CvEngine* engine);

  bool ownsBuffer_ = false;
  CvEngine* engine_ = nullptr;
  uint8_t* buffer_ = nullptr;
  uint32_t alignment_ = 0;
};
