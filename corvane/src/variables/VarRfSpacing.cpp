#include "variables/VarRfSpacing.h"

#include <cmath>

#include "variables/Variables.h"

namespace corvane {

SpacingInputs spacingInputs(const Variables* owner) {
  if (!owner) return SpacingInputs{1, 0};
  return SpacingInputs{owner->inFocusEdgeWidth.effectiveValue(),
                       owner->textureFilter.effectiveValue()};
}

float VarRfSpacing::effectiveValue() const {
  const SpacingInputs in = spacingInputs(owner());
  const float widthTimesValue = static_cast<float>(in.edgeWidth) * value_;
  const double spacing =
      std::ceil(static_cast<double>(widthTimesValue) * std::pow(2.0, in.textureFilter / 2.0));
  // Written so that NaN (zero width times an infinite value) gives the minimum.
  return static_cast<float>(spacing > 2.0 ? spacing : 2.0);
}

}  // namespace corvane
