#pragma once

#include <string>

namespace corvane {

// The stage label of a progress report that names no stage.
inline const std::string kNoLabel;

}  // namespace corvane
