#include "util/WorkerPool.h"

#include <boost/thread/thread.hpp>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <thread>
#include <utility>

#include "util/CvExCancel.h"

namespace corvane {

namespace {

// Threads that outlive the runs they serve: a parallel stage hands its workers to parked
// threads instead of starting new ones, since at the working size of a photograph starting
// and ending threads costs as much as many a band does. A task finds a parked thread or gets
// a new one, never waits for a busy one, so runs may nest (a worker may start a run of its
// own) without deadlock. The reserve is never destroyed; its parked threads end with the
// process.
class ThreadReserve {
 public:
  static ThreadReserve& instance() {
    static ThreadReserve* reserve = new ThreadReserve;
    return *reserve;
  }

  // Runs `task`, which must not throw, on a parked or a new thread. Throws when a needed
  // thread cannot be started; the task is then not run.
  void start(std::function<void()> task) { offer(std::move(task), SIZE_MAX); }

  // The same for a task that its caller can do itself: false, and nothing started, when no
  // thread is parked and `limit` threads exist already.
  bool tryStart(std::function<void()> task, size_t limit) { return offer(std::move(task), limit); }

  // Whether a tryStart with `limit` could start a task now; may be stale by the time it is
  // acted on, which only costs a failed tryStart.
  bool mayStart(size_t limit) const {
    return parkedCount_.load(std::memory_order_relaxed) > 0 ||
           threadCount_.load(std::memory_order_relaxed) < limit;
  }

 private:
  ThreadReserve() = default;

  bool offer(std::function<void()> task, size_t limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (parked_ > tasks_.size()) {
      tasks_.push_back(std::move(task));
      wake_.notify_one();
      return true;
    }
    if (threads_ >= limit) return false;
    tasks_.push_back(std::move(task));
    try {
      boost::thread thread([this] { serve(); });
      thread.detach();
    } catch (...) {
      tasks_.pop_back();
      throw;
    }
    threadCount_.store(++threads_, std::memory_order_relaxed);
    return true;
  }

  void serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      parkedCount_.store(++parked_, std::memory_order_relaxed);
      wake_.wait(lock, [this] { return !tasks_.empty(); });
      parkedCount_.store(--parked_, std::memory_order_relaxed);
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      task = nullptr;  // what the task holds goes before the thread parks again
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  size_t parked_ = 0;
  size_t threads_ = 0;
  // Copies of the two counts for mayStart, which takes no lock.
  std::atomic<size_t> parkedCount_{0};
  std::atomic<size_t> threadCount_{0};
};

}  // namespace

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

WorkerPool::~WorkerPool() {
  if (started_) waitForWorkers();
}

void WorkerPool::runWorker(unsigned index) {
  try {
    worker_(index);
  } catch (const CvExCancel&) {
    setCancelled();
  } catch (...) {
    setFailed();
  }
}

void WorkerPool::startWorkers(unsigned threads, const std::function<void(unsigned)>& beforeStart) {
  if (threads == 0) threads = 1;
  started_ = true;
  try {
    for (unsigned i = 0; i < threads; ++i) {
      if (beforeStart) beforeStart(i);
      {
        std::lock_guard<std::mutex> lock(doneMutex_);
        ++running_;
      }
      try {
        ThreadReserve::instance().start([this, i] { runOnThread(i); });
      } catch (...) {
        std::lock_guard<std::mutex> lock(doneMutex_);
        --running_;
        throw;
      }
    }
  } catch (...) {
    setFailed();
    waitForWorkers();
    throw;
  }
}

void WorkerPool::runOnThread(unsigned index) {
  runWorker(index);
  // Signalled under the lock, so the joining thread cannot leave (and drop the pool) before
  // the signal is given.
  std::lock_guard<std::mutex> lock(doneMutex_);
  if (--running_ == 0) done_.notify_all();
}

namespace {

// Threads that helpers may take from the reserve: one per processor, beyond those that runs
// which need their own threads have started.
size_t helperLimit() {
  return std::max(std::thread::hardware_concurrency(), 2u);
}

}  // namespace

void WorkerPool::runAlongside(unsigned helpers, std::function<void(unsigned)> worker) {
  worker_ = std::move(worker);
  started_ = true;
  helpersWanted_ = helpers;
  helpersStarted_ = 0;
  // Helpers only from threads that are parked, or while few exist: the calling thread works
  // too, so a nested run on busy processors needs no thread of its own, and recruit() takes
  // on threads that come free later.
  while (helpersStarted_.load() < helpersWanted_ && recruit()) {
  }
  runWorker(0);
  join();
}

bool WorkerPool::recruit() {
  const size_t limit = helperLimit();
  if (helpersStarted_.load(std::memory_order_relaxed) >= helpersWanted_ ||
      !ThreadReserve::instance().mayStart(limit))
    return false;
  const unsigned index = ++helpersStarted_;
  if (index > helpersWanted_) return false;
  {
    std::lock_guard<std::mutex> lock(doneMutex_);
    ++running_;
  }
  bool taken = false;
  try {
    taken = ThreadReserve::instance().tryStart([this, index] { runOnThread(index); }, limit);
  } catch (...) {
  }
  if (!taken) {
    std::lock_guard<std::mutex> lock(doneMutex_);
    --running_;
  }
  return taken;
}

void WorkerPool::waitForWorkers() {
  {
    std::unique_lock<std::mutex> lock(doneMutex_);
    done_.wait(lock, [this] { return running_ == 0; });
  }
  started_ = false;
  worker_ = nullptr;
}

void WorkerPool::run(unsigned threads, const std::function<void(unsigned)>& worker,
                     const std::function<void(unsigned)>& beforeStart) {
  worker_ = worker;
  startWorkers(threads, beforeStart);
  join();
}

void WorkerPool::start(unsigned threads, std::function<void(unsigned)> worker) {
  worker_ = std::move(worker);
  startWorkers(threads, {});
}

void WorkerPool::join() {
  waitForWorkers();
  if (cancelled()) throw CvExCancel();
  if (failed()) throw kWorkerFailure;
}

}  // namespace corvane
