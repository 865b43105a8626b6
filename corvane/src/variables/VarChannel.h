#pragma once

#include <string>

#include "variables/MeaningMap.h"
#include "variables/VarScaled.h"

namespace corvane {

// Which side of a channel a setting acts on: 0 off, 1 dark, 2 light, 3 both.
class VarChannel : public MeaningMap<VarScaled<unsigned, unsigned>, std::string> {
 public:
  VarChannel() : MeaningMap({"off", "dark", "light", "both"}) {}
};

}  // namespace corvane
