#pragma once

#include <utility>

#include <QtGlobal>

#include "kestrum/qt/AbortableThread.h"

// A thread that runs the computation step of its object T on a snapshot of T's inputs:
// T::Job is that snapshot, and T::compute(const Job&, WorkerThread<T>&, quint64 run) the step,
// which reads nothing but the job and hands its results back through a queued signal of T
// tagged with `run`, so that T can drop the results of a start it has since replaced.
//
// Owner's thread: startRun() and the destructor (which aborts and joins). The object must
// outlive the thread.
template <class T>
class WorkerThread : public kestrum::AbortableThread {
 public:
  using Job = typename T::Job;

  explicit WorkerThread(T* object, QObject* parent = nullptr)
      : AbortableThread(parent), object_(object) {}
  ~WorkerThread() override { stopAndWait(); }

  // Waits for the run before (abort() first to cut it short), takes `job`, clears the abort
  // flag and starts run number `run` with the owner's priority.
  void startRun(Job job, quint64 run) {
    wait();
    job_ = std::move(job);
    run_ = run;
    clearAbort();
    start(QThread::InheritPriority);
  }

  // For the step: joins a processor it started, passing an abort of this thread on.
  using AbortableThread::waitForChild;

 protected:
  void process() override { object_->compute(job_, *this, run_); }

 private:
  // A run starts through startRun() only, with its inputs.
  using AbortableThread::start;

  T* const object_;
  Job job_;
  quint64 run_ = 0;
};
