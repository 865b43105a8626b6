#include <atomic>

#include "Corvane.h"
#include "util/ProcessorCount.h"

namespace {
std::atomic<CvProgressCallback> hostProgress{nullptr};
}

int32_t corvaneProgressCallback(uint8_t percent, void* context) {
  CvProgressCallback f = hostProgress.load();
  return f ? f(percent, context) : 0;
}

void corvaneSetProgressFunction(CvProgressCallback function) {
  hostProgress.store(function);
}

void corvaneSetWorkerLimit(uint32_t workers) {
  corvane::setProcessorCountOverride(workers);
}
