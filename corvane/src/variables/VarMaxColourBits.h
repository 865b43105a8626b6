#pragma once

#include "variables/VarScaled.h"

namespace corvane {

// The largest colour resolution of the histogram levels; follows the VarColourBits rule,
// so it is capped at 8 as well.
class VarMaxColourBits : public VarScaled<int, int> {
 public:
  VarMaxColourBits(int min, int max) : VarScaled(min, max) {}
  int effectiveValue() const override;
};

}  // namespace corvane
