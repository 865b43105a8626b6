#include "variables/VarColourBits.h"

#include <cstdint>

#include "variables/Variables.h"

namespace corvane {

int effectiveColourBits(int value, const Variables* owner) {
  const int contrast = owner ? owner->edgeContrast.effectiveValue() : 1;
  // Widened: both values may sit at an integer limit after an out-of-range proportion.
  const int64_t bits = int64_t(value) - contrast + 1;
  return bits < 0 ? 0 : bits > 8 ? 8 : int(bits);
}

int VarColourBits::effectiveValue() const {
  return effectiveColourBits(value_, owner());
}

}  // namespace corvane
