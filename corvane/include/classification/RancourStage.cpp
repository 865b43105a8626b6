#include "classification/RancourStage.h"

#include <memory>
#include <vector>

#include "util/ProcessorCount.h"

namespace classification {

RancourStage::RancourStage(int32_t texture, float tPercent, int32_t maxBits)
    : texture_(texture < 0 ? 0 : texture),
      tPercent_(tPercent),
      maxBits_(maxBits < 0   ? 0
               : maxBits > 8 ? 8
                             : maxBits) {}

int32_t RancourStage::nextJob() {
  const uint32_t job = pool_.takeDescending();
  return job == corvane::WorkerPool::kNoJob ? Rancour::kNoJob : static_cast<int32_t>(job);
}

RancourStage::Output RancourStage::run(const Image& image, ProgressRange /*progress*/) {
  if (image.size() == 0) return Output();
  Output output(image.lbound(), image.extent());
  pool_.resetCounter(2);

  // Each worker's first job is taken here, in the creating thread, so that with one processor
  // the jobs run 2, 1, 0 and surplus workers start with none.
  const unsigned threads = corvane::processorCount();
  std::vector<std::unique_ptr<Rancour>> workers(threads);
  pool_.run(
      threads, [&workers](unsigned i) { (*workers[i])(); },
      [&](unsigned i) {
        workers[i] = std::make_unique<Rancour>(this, &output, &image, texture_, nextJob());
      });
  return output;
}

}  // namespace classification
