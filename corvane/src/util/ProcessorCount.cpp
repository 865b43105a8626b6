#include "util/ProcessorCount.h"

#include <atomic>
#include <thread>

namespace corvane {

namespace {
std::atomic<unsigned> processorOverride{0};
}

unsigned processorCount() {
  const unsigned forced = processorOverride.load(std::memory_order_relaxed);
  if (forced) return forced;
  const unsigned n = std::thread::hardware_concurrency();
  return n ? n : 1u;
}

void setProcessorCountOverride(unsigned count) {
  processorOverride.store(count, std::memory_order_relaxed);
}

}  // namespace corvane
