#include "util/WorkerPool.h"

#include <boost/thread/thread.hpp>

#include <condition_variable>
#include <deque>
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
  void start(std::function<void()> task) {
    std::unique_lock<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    if (parked_ >= tasks_.size()) {
      wake_.notify_one();
      return;
    }
    try {
      boost::thread thread([this] { serve(); });
      thread.detach();
    } catch (...) {
      tasks_.pop_back();
      throw;
    }
  }

 private:
  ThreadReserve() = default;

  void serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ++parked_;
      wake_.wait(lock, [this] { return !tasks_.empty(); });
      --parked_;
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
        ThreadReserve::instance().start([this, i] {
          try {
            worker_(i);
          } catch (const CvExCancel&) {
            setCancelled();
          } catch (...) {
            setFailed();
          }
          // Signalled under the lock, so the joining thread cannot leave (and drop the pool)
          // before the signal is given.
          std::lock_guard<std::mutex> lock(doneMutex_);
          if (--running_ == 0) done_.notify_all();
        });
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
