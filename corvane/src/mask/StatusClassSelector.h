#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <vector>

#include "Corvane.h"
#include "util/Box.h"
#include "util/BoxOps.h"
#include "util/SaturatingCast.h"

namespace corvane {
namespace mask {

// Decides which full-resolution pixels feed a palette pyramid: those whose status pixel
// (the index times the inverse scale, truncated and kept inside the status array) carries
// the matting-region flag and the class bit.
class StatusClassSelector {
 public:
  StatusClassSelector(const blitz::Array<uint8_t, 2>& status, float rowScale, float columnScale,
                      uint8_t classBit)
      : status_(status),
        inverseRow_(1.0f / rowScale),
        inverseColumn_(1.0f / columnScale),
        classBit_(classBit) {}

  int32_t statusRow(int32_t row) const {
    return clampIndex(row, inverseRow_, status_.lbound(0), status_.ubound(0));
  }
  int32_t statusColumn(int32_t col) const {
    return clampIndex(col, inverseColumn_, status_.lbound(1), status_.ubound(1));
  }
  bool acceptsStatus(uint8_t s) const { return (s & CvStatusMatteRegion) && (s & classBit_); }
  bool accepts(int32_t row, int32_t col) const {
    return acceptsStatus(status_(statusRow(row), statusColumn(col)));
  }

  // The smallest status box holding every accepted status pixel (empty when there is none).
  Box acceptedStatusBox() const {
    Box box{0, 0, -1, -1};
    for (int32_t r = status_.lbound(0); r <= status_.ubound(0); ++r) {
      for (int32_t c = status_.lbound(1); c <= status_.ubound(1); ++c) {
        if (acceptsStatus(status_(r, c))) includePoint(box, r, c);
      }
    }
    return box;
  }

  const blitz::Array<uint8_t, 2>& status() const { return status_; }

 private:
  static int32_t clampIndex(int32_t i, float inverse, int32_t low, int32_t high) {
    const int32_t s = saturatingCast<int32_t>(static_cast<float>(i) * inverse);
    return s < low ? low : s > high ? high : s;
  }

  blitz::Array<uint8_t, 2> status_;
  float inverseRow_;
  float inverseColumn_;
  uint8_t classBit_;
};

}  // namespace mask
}  // namespace corvane
