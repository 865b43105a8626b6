#pragma once

#include <cstdint>

namespace corvane {

// A monotonic high-resolution tick count and its conversion to seconds.
int64_t performanceCounter();
int64_t performanceFrequency();
double counterSeconds(int64_t ticks);

}  // namespace corvane
