#pragma once

#include <blitz/array.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "classification/Segmentation.h"
#include "kestrum/utility/IiUI.h"
#include "util/CvExCancel.h"

namespace segmentation_test {

using classification::LevelRecord;
using Seg = classification::Segmentation<6, 0>;
using ImagePixel = Seg::ImagePixel;

// The parameters an analysis of a small photo would use.
inline LevelRecord analysisRecord() {
  LevelRecord r;
  r.histogramBits = 4;
  r.levelThreshold = 1.05f;
  r.innerScale = 2.0f;
  r.blockHistogramKind = 0;
  r.blockSize = 8;
  r.windowRadius = 1;
  r.histogramMode = 4;
  r.valueLimit = 2;
  return r;
}

// A six-channel image with a few flat regions, a soft ramp and deterministic noise; channels
// 3 to 5 a little brighter than 0 to 2, as a closing is against an opening.
inline blitz::Array<ImagePixel, 2> photoLike(int rows, int columns, int lowRow = 0,
                                             int lowColumn = 0, uint32_t seed = 1) {
  blitz::Array<ImagePixel, 2> image(blitz::TinyVector<int, 2>(lowRow, lowColumn),
                                    blitz::TinyVector<int, 2>(rows, columns));
  uint32_t state = seed;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      int base[3];
      if (r < rows / 2 && c < columns / 2) {
        base[0] = 40, base[1] = 60, base[2] = 90;
      } else if (r < rows / 2) {
        base[0] = 200, base[1] = 70, base[2] = 30;
      } else {
        base[0] = 60 + (c * 100) / columns, base[1] = 150, base[2] = 120 - (r * 60) / rows;
      }
      ImagePixel& p = image(lowRow + r, lowColumn + c);
      for (int k = 0; k < 3; ++k) {
        state = state * 1664525u + 1013904223u;
        const int noise = int((state >> 24) % 13) - 6;
        const int v = std::min(255, std::max(0, base[k] + noise));
        p[k] = static_cast<unsigned char>(v);
        p[k + 3] = static_cast<unsigned char>(std::min(255, v + 4));
      }
    }
  }
  return image;
}

inline bool allFresh(const Seg& seg) {
  for (const LevelRecord& r : seg.levelRecords)
    if (!(r == LevelRecord())) return false;
  return true;
}

}  // namespace segmentation_test
