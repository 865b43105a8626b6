#pragma once

#include <atomic>
#include <cstdint>

#include <QThread>

namespace kestrum {

class ThreadFinishedHandler;

// A worker thread its owner can stop: the computation polls isAborted() and returns soon after
// abort(). The flag stays set until the owner clears it with clearAbort() before a restart.
// The one worker-thread pattern of the Qt side: a new thread derives from it rather than growing
// its own flag or test hook, and one that is restarted with new inputs takes them through a
// startRun(...) of its own (HighlightThread, ProcessorFinalImage).
//
// Threads: the owner (usually the GUI thread) constructs, starts, aborts, waits and destroys;
// process() runs on the worker. Data handed to the worker is written before start() and read
// after the worker has been joined.
class AbortableThread : public QThread {
  Q_OBJECT

 public:
  explicit AbortableThread(QObject* parent = nullptr);
  // A thread must not outlive its computation's data: every class with a process() calls
  // stopAndWait() in its own destructor; this one repeats it as the last guard.
  ~AbortableThread() override;

  bool isAborted() const;
  // The flag itself, for code that polls it without knowing the thread (not counted by
  // abortAtPoll).
  const std::atomic<bool>& abortFlag() const { return abort_; }
  void clearAbort();
  // Takes ownership of `handler` (null allowed) and runs its handle() when the thread ends.
  void setFinishedHandler(ThreadFinishedHandler* handler);

  // Test aid: the n-th poll of isAborted() from now on (n >= 1) sets the flag, so a test can
  // stop the computation at each of its poll points in turn; a huge n only counts. 0 switches
  // it off.
  void abortAtPoll(std::uint64_t n);
  // Polls of isAborted() since the last abortAtPoll(); counted only while one is armed.
  std::uint64_t pollCount() const;

 public slots:
  // Any thread; returns at once.
  virtual void abort();

 protected:
  // The computation. An exception that leaves it is logged and counts as an abort: the owner
  // finds the flag set and uses nothing of the run, and the process lives on.
  virtual void process() = 0;

  // Joins a processor that this thread started inside process(): waits in slices of at most
  // 2 ms and passes an abort of this thread on to the child at once. Always true once the child
  // has ended.
  bool waitForChild(AbortableThread& child) const;

  // Sets the flag and joins the worker (owner's thread).
  void stopAndWait();

 private:
  void run() final;

  mutable std::atomic<bool> abort_{false};
  mutable std::atomic<std::uint64_t> polls_{0};
  std::atomic<std::uint64_t> abortAtPoll_{0};
  ThreadFinishedHandler* finishedHandler_ = nullptr;
};

}  // namespace kestrum
