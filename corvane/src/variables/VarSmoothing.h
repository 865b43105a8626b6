#pragma once

#include <string>

#include "variables/VarLogScale.h"

namespace corvane {

// "#texture": the smoothing radius of the texture filter. Values below 1 switch it off
// (effective 0, text "Off"); otherwise max(1, ceil(w * s * 2^(t - 0.5)) - 1) with the
// in-focus edge width w and the texture filter t. The text shows the effective value + 1.
class VarSmoothing : public VarLogScale<int, float> {
 public:
  VarSmoothing(float min, float max) : VarLogScale(min, max) {}
  int effectiveValue() const override;
  std::string toString() const override;
};

}  // namespace corvane
