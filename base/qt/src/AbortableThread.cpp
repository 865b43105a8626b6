#include "kestrum/qt/AbortableThread.h"

#include <exception>
#include <new>

#include <QDebug>

#include "kestrum/qt/ThreadFinishedHandler.h"

namespace kestrum {

namespace {
constexpr unsigned long kChildWaitSliceMs = 2;
}

AbortableThread::AbortableThread(QObject* parent) : QThread(parent) {}

AbortableThread::~AbortableThread() {
  stopAndWait();
  delete finishedHandler_;
}

void AbortableThread::stopAndWait() {
  abort_.store(true);
  wait();
}

bool AbortableThread::isAborted() const {
  const std::uint64_t target = abortAtPoll_.load(std::memory_order_relaxed);
  if (target != 0) {
    const std::uint64_t n = polls_.fetch_add(1, std::memory_order_relaxed) + 1;
    if (n >= target) abort_.store(true);
  }
  return abort_.load();
}

void AbortableThread::clearAbort() {
  abort_.store(false);
}

void AbortableThread::abort() {
  abort_.store(true);
}

void AbortableThread::setFinishedHandler(ThreadFinishedHandler* handler) {
  delete finishedHandler_;
  finishedHandler_ = handler;
  if (handler) connect(this, &QThread::finished, handler, &ThreadFinishedHandler::handle);
}

void AbortableThread::abortAtPoll(std::uint64_t n) {
  polls_.store(0);
  abortAtPoll_.store(n);
}

std::uint64_t AbortableThread::pollCount() const {
  return polls_.load();
}

bool AbortableThread::waitForChild(AbortableThread& child) const {
  while (!child.wait(kChildWaitSliceMs)) {
    if (isAborted()) {
      child.abort();
      child.wait();
      break;
    }
  }
  return true;
}

void AbortableThread::run() {
  try {
    process();
  } catch (const std::bad_alloc&) {
    qWarning() << metaObject()->className() << "ran out of memory; its result is dropped";
    abort_.store(true);
  } catch (const std::exception& e) {
    qWarning() << metaObject()->className() << "failed:" << e.what() << "; its result is dropped";
    abort_.store(true);
  }
}

}  // namespace kestrum
