#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace corvane {

// The worker pool of the engine's parallel stages.
//
// Contract:
// - Jobs come from a counter under the pool mutex. takeDescending() hands out the counter's
//   value and decrements it, so a counter started at n - 1 gives n - 1, ..., 0 and then
//   kNoJob for ever; once the cancel or the failure flag is set nothing more is handed out
//   and running jobs finish.
// - A worker body that lets CvExCancel escape sets the cancel flag; any other exception sets
//   the failure flag. No exception leaves a worker thread.
// - run() joins every worker it started on every path out (waits until its body has
//   returned): after a normal end, after a failure to create a thread, and after an
//   exception thrown by the start hook in the calling thread (which sets the failure flag
//   first so the others stop taking jobs and is then rethrown unchanged once all are joined).
// - Workers run on engine threads that stay parked between runs rather than on threads
//   started for each run; a run never waits for a thread that another run holds, so runs may
//   nest.
// - After the join a cancelled pool throws CvExCancel, a failed one the plain text
//   "Unhandled exception in worker thread."; cancel wins over failure.
class WorkerPool {
 public:
  static constexpr uint32_t kNoJob = 0xFFFFFFFFu;

  explicit WorkerPool(uint32_t firstJob = kNoJob) : counter_(firstJob) {}
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Takes a job under the mutex; onTaken(job) runs under the mutex too (for stages that
  // report progress as a job is taken) and may throw, which releases the mutex.
  uint32_t takeDescending();
  template <class OnTaken>
  uint32_t takeDescending(OnTaken&& onTaken) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t job = takeLocked();
    onTaken(job);
    return job;
  }

  // Starts `threads` workers (at least one), each running worker(index), joins them and
  // raises the recorded outcome. beforeStart(index), when given, runs in the calling thread
  // just before worker `index` is created.
  void run(unsigned threads, const std::function<void(unsigned)>& worker,
           const std::function<void(unsigned)>& beforeStart = {});

  // run() in two halves, for a caller with work of its own meanwhile: start() starts the
  // workers (keeping a copy of `worker`) and returns; join() waits for them and raises the
  // outcome. Every start() must be followed by a join() before the next start() or run();
  // the destructor joins (and swallows the outcome) if the caller could not.
  void start(unsigned threads, std::function<void(unsigned)> worker);
  void join();

  // Runs worker(0) in the calling thread and worker(1) .. worker(helpers) on threads that are
  // free (as many as are; none need be), joins them and raises the outcome as run() does. For
  // workers that take their jobs from the counter, which any number of them finish.
  void runAlongside(unsigned helpers, std::function<void(unsigned)> worker);
  // Within runAlongside's workers: starts one more of the helpers it asked for when a thread
  // has come free meanwhile (cheap when none has). True when one was started.
  bool recruit();
  bool started() const { return started_; }
  ~WorkerPool();

  void resetCounter(uint32_t firstJob);
  void setCancelled() { cancelled_.store(true); }
  void setFailed() { failed_.store(true); }
  bool cancelled() const { return cancelled_.load(); }
  bool failed() const { return failed_.load(); }
  bool stopped() const { return cancelled() || failed(); }
  std::mutex& mutex() { return mutex_; }

  // The plain text a failed pool throws.
  static const char* const kWorkerFailure;

 private:
  uint32_t takeLocked();

  void startWorkers(unsigned threads, const std::function<void(unsigned)>& beforeStart);
  void waitForWorkers();
  // worker_(index) with its exceptions turned into the flags; then, on a pool thread, the end
  // counted for the join.
  void runWorker(unsigned index);
  void runOnThread(unsigned index);

  std::mutex mutex_;
  uint32_t counter_;
  // The workers of the current run and their end, which the join waits for.
  std::function<void(unsigned)> worker_;
  std::mutex doneMutex_;
  std::condition_variable done_;
  unsigned running_ = 0;
  bool started_ = false;
  // Helpers runAlongside asked for, and the indices handed out so far (some may not have
  // started).
  unsigned helpersWanted_ = 0;
  std::atomic<unsigned> helpersStarted_{0};
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> failed_{false};
};

}  // namespace corvane
