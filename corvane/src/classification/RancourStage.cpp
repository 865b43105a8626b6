#include "classification/RancourStage.h"

#include <algorithm>
#include <chrono>
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
  {
    std::lock_guard<std::mutex> lock(bandMutex_);
    open_.clear();
    holders_ = 0;
  }

  // Each worker's first job is taken here, in the creating thread, so that with one processor
  // the jobs run 2, 1, 0 and surplus workers start with none (and only help).
  const unsigned threads = corvane::processorCount();
  threads_ = std::max(1u, threads);
  std::vector<std::unique_ptr<Rancour>> workers(threads);
  pool_.run(
      threads, [&workers](unsigned i) { (*workers[i])(); },
      [&](unsigned i) {
        const int32_t job = nextJob();
        if (job != Rancour::kNoJob) jobTaken();
        workers[i] = std::make_unique<Rancour>(this, &output, &image, texture_, job);
      });
  return output;
}

void RancourStage::jobTaken() {
  std::lock_guard<std::mutex> lock(bandMutex_);
  ++holders_;
}

void RancourStage::jobsLeft() {
  std::lock_guard<std::mutex> lock(bandMutex_);
  --holders_;
  bandSignal_.notify_all();
}

RancourStage::Pass* RancourStage::passWithMostBands() const {
  Pass* best = nullptr;
  for (Pass* p : open_) {
    if (!best || p->nextBand > best->nextBand) best = p;
  }
  return best;
}

void RancourStage::runOneBand(Pass& pass, std::unique_lock<std::mutex>& lock) {
  const int32_t band = pass.nextBand--;
  if (pass.nextBand < 0) open_.erase(std::find(open_.begin(), open_.end(), &pass));
  lock.unlock();
  std::exception_ptr error;
  try {
    const int32_t bandFirst = pass.first + band * pass.step;
    (*pass.body)(bandFirst, std::min(pass.last, bandFirst + pass.step - 1));
  } catch (...) {
    error = std::current_exception();
  }
  lock.lock();
  if (error && !pass.error) pass.error = error;
  // The pass lives in its owner's frame: once the last band is counted the owner may leave.
  if (--pass.unfinished == 0) bandSignal_.notify_all();
}

void RancourStage::runBands(int32_t first, int32_t last,
                            const std::function<void(int32_t, int32_t)>& body) {
  if (last < first) return;
  if (threads_ <= 1) {
    body(first, last);
    return;
  }
  // A few bands per worker keep them busy to the end of a pass; a band costs the setting up
  // of a sliding window per row anyway, so small bands lose little.
  const int32_t rows = last - first + 1;
  const int32_t step =
      std::max<int32_t>(4, std::min<int32_t>(64, rows / static_cast<int32_t>(4 * threads_)));
  Pass pass{&body, first, last, step, (rows - 1) / step, (rows - 1) / step + 1, nullptr};

  std::unique_lock<std::mutex> lock(bandMutex_);
  open_.push_back(&pass);
  bandSignal_.notify_all();
  for (;;) {
    // The own pass first; while its last bands run elsewhere, help the other passes.
    Pass* take = pass.nextBand >= 0 ? &pass : passWithMostBands();
    if (take) {
      runOneBand(*take, lock);
    } else if (pass.unfinished == 0) {
      break;
    } else {
      bandSignal_.wait(lock);
    }
  }
  lock.unlock();
  if (pass.error) std::rethrow_exception(pass.error);
}

void RancourStage::helpUntilDone() {
  std::unique_lock<std::mutex> lock(bandMutex_);
  for (;;) {
    if (Pass* take = passWithMostBands()) {
      runOneBand(*take, lock);
    } else if (holders_ <= 0 || pool_.stopped()) {
      // A stopped run (also one whose thread could not be started, which then never holds
      // its job) needs no help: the holders finish their passes alone.
      break;
    } else {
      bandSignal_.wait_for(lock, std::chrono::milliseconds(20));
    }
  }
}

}  // namespace classification
