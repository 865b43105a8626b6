#include "util/WorkerPool.h"

#include <boost/thread/thread.hpp>
#include <memory>
#include <vector>

#include "util/CvExCancel.h"

namespace corvane {

const char* const WorkerPool::kWorkerFailure = "Unhandled exception in worker thread.";

uint32_t WorkerPool::takeLocked() {
  if (cancelled_.load() || failed_.load()) return kNoJob;
  const uint32_t job = counter_;
  if (counter_ != kNoJob) --counter_;
  return job;
}

uint32_t WorkerPool::takeDescending() {
  std::lock_guard<std::mutex> lock(mutex_);
  return takeLocked();
}

void WorkerPool::resetCounter(uint32_t firstJob) {
  std::lock_guard<std::mutex> lock(mutex_);
  counter_ = firstJob;
  cancelled_.store(false);
  failed_.store(false);
}

void WorkerPool::run(unsigned threads, const std::function<void(unsigned)>& worker,
                     const std::function<void(unsigned)>& beforeStart) {
  if (threads == 0) threads = 1;
  auto guarded = [this, &worker](unsigned index) {
    try {
      worker(index);
    } catch (const CvExCancel&) {
      setCancelled();
    } catch (...) {
      setFailed();
    }
  };

  std::vector<std::unique_ptr<boost::thread>> started;
  started.reserve(threads);
  auto joinAll = [&started] {
    for (auto& t : started) {
      if (t && t->joinable()) t->join();
    }
  };
  try {
    for (unsigned i = 0; i < threads; ++i) {
      if (beforeStart) beforeStart(i);
      started.push_back(std::make_unique<boost::thread>(guarded, i));
    }
  } catch (...) {
    setFailed();
    joinAll();
    throw;
  }
  joinAll();
  if (cancelled()) throw CvExCancel();
  if (failed()) throw kWorkerFailure;
}

}  // namespace corvane
