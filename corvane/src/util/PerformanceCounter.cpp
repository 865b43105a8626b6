#include "util/PerformanceCounter.h"

#include <atomic>
#include <chrono>

namespace corvane {

namespace {
std::atomic<int64_t> testStep{0};
std::atomic<int64_t> testClock{0};
}  // namespace

void setPerformanceCounterStep(int64_t step) {
  testStep.store(step);
}

int64_t performanceCounter() {
  const int64_t step = testStep.load(std::memory_order_relaxed);
  if (step != 0) return testClock.fetch_add(step) + step;
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
