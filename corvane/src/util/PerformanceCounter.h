#pragma once

#include <cstdint>

namespace corvane {

// A monotonic high-resolution tick count and its conversion to seconds.
int64_t performanceCounter();
int64_t performanceFrequency();
double counterSeconds(int64_t ticks);

// Test clock: with a step other than 0, every read of the counter answers the previous
// reading plus `step` ticks instead of the time, so that throttled progress reports can be
// driven deterministically. 0 returns to the real clock.
void setPerformanceCounterStep(int64_t step);

}  // namespace corvane
