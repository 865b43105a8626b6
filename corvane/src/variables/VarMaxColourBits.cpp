#include "variables/VarMaxColourBits.h"

#include "variables/VarColourBits.h"

namespace corvane {

int VarMaxColourBits::effectiveValue() const {
  return effectiveColourBits(value_, owner());
}

}  // namespace corvane
