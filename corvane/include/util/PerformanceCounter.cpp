#include "util/PerformanceCounter.h"

#include <chrono>

namespace corvane {

int64_t performanceCounter() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int64_t performanceFrequency() {
  return 1000000000;
}

double counterSeconds(int64_t ticks) {
  return static_cast<double>(ticks) / static_cast<double>(performanceFrequency());
}

}  // namespace corvane
