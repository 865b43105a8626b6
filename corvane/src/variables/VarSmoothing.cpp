#include "variables/VarSmoothing.h"

#include <cmath>
#include <cstdint>

#include "util/SaturatingCast.h"
#include "variables/VarRfSpacing.h"
#include "variables/Variables.h"

namespace corvane {

int VarSmoothing::effectiveValue() const {
  if (value_ < 1.0f) return 0;
  const SpacingInputs in = spacingInputs(owner());
  const float widthTimesValue = static_cast<float>(in.edgeWidth) * value_;
  const double radius =
      std::ceil(static_cast<double>(widthTimesValue) * std::pow(2.0, in.textureFilter - 0.5)) - 1.0;
  const int r = saturatingCast<int>(radius);
  return r > 1 ? r : 1;
}

std::string VarSmoothing::toString() const {
  const int e = effectiveValue();
  if (e == 0) return "Off";
  // 64-bit so that a saturated radius still prints one more.
  return std::to_string(int64_t(e) + 1);
}

}  // namespace corvane
