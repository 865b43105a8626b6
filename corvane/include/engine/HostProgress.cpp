#include <atomic>

#include "Corvane.h"

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
