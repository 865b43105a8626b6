#pragma once

#include "variables/VarLogScale.h"

namespace corvane {

// "#resolution": the sample spacing of the rank filters, in units of the in-focus edge width
// and widened by the texture filter: max(2, ceil(w * r * 2^(t / 2))).
class VarRfSpacing : public VarLogScale<float, float> {
 public:
  VarRfSpacing(float min, float max) : VarLogScale(min, max) {}
  float effectiveValue() const override;
};

// The in-focus edge width and texture filter that the spacing rules scale by; without an
// owning table they count as 1 and 0.
struct SpacingInputs {
  int edgeWidth;
  int textureFilter;
};
SpacingInputs spacingInputs(const Variables* owner);

}  // namespace corvane
