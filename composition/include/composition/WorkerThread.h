#pragma once

#include <optional>
#include <utility>

#include <QtGlobal>

#include "kestrum/qt/AbortableThread.h"

// A thread that runs the computation step of its object T on a snapshot of T's inputs:
// T::Job is that snapshot, T::Result what a run gives, and
// T::compute(const Job&, WorkerThread<T>&, quint64 run) the step, which reads nothing but the
// job and hands its result back through a queued signal of T tagged with `run`, so that T can
// drop the results of a start it has since replaced. The step also keeps its result here, for
// an owner that cannot wait for the signal: it joins the run and takes the result at once.
//
// Owner's thread: startRun(), takeResult() and the destructor (which aborts and joins). The
// object must outlive the thread.
template <class T>
class WorkerThread : public kestrum::AbortableThread {
 public:
  using Job = typename T::Job;
  using Result = typename T::Result;

  explicit WorkerThread(T* object, QObject* parent = nullptr)
      : AbortableThread(parent), object_(object) {}
  ~WorkerThread() override { stopAndWait(); }

  // Waits for the run before (abort() first to cut it short), takes `job`, clears the abort
  // flag and starts run number `run` with the owner's priority.
  void startRun(Job job, quint64 run) {
    wait();
    job_ = std::move(job);
    run_ = run;
    result_.reset();
    clearAbort();
    start(QThread::InheritPriority);
  }

  // Joins the worker and hands over, once, the result that run `run` kept: none for another
  // run, one that stopped early, or one already taken.
  std::optional<Result> takeResult(quint64 run) {
    wait();
    if (run != run_) return std::nullopt;
    std::optional<Result> result = std::move(result_);
    result_.reset();
    return result;
  }

  // For the step: joins a processor it started, passing an abort of this thread on.
  using AbortableThread::waitForChild;
  // For the step: the run's result, for takeResult.
  void keepResult(const Result& result) { result_ = result; }

 protected:
  void process() override { object_->compute(job_, *this, run_); }

 private:
  // A run starts through startRun() only, with its inputs.
  using AbortableThread::start;

  T* const object_;
  Job job_;
  quint64 run_ = 0;
  std::optional<Result> result_;  // written by the step, read after the join
};
