#pragma once

#include "variables/VarScaled.h"

namespace corvane {

// The colour resolution of the histograms in bits per channel. Higher edge contrast needs
// fewer bits: the effective value is clamp(value - edgeContrast + 1, 0, 8).
class VarColourBits : public VarScaled<int, int> {
 public:
  VarColourBits(int min, int max) : VarScaled(min, max) {}
  int effectiveValue() const override;
};

// The colour-bits rule shared with VarMaxColourBits. Without an owning table the edge
// contrast counts as its neutral 1.
int effectiveColourBits(int value, const Variables* owner);

}  // namespace corvane
