#include "SplitConversionCounter.h"

#include <dlfcn.h>

#include <atomic>
#include <functional>

class QSemaphore;
class QThreadPool;

namespace {

std::atomic<int> splits{0};
// Pool functions this thread has started since its last acquire.
thread_local int startedSinceAcquire = 0;

// Qt's own definition of `name`, the one this file's stands before.
template <typename Function>
Function qtDefinition(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

int zarvo_test::splitConversions() {
  return splits.load();
}

// Qt's member functions under their Itanium C++ ABI names, as Qt's libraries call them: `this`
// first, and the std::function, taken by value, passed by the address of the caller's copy.
extern "C" {

void _ZN11QThreadPool5startESt8functionIFvvEEi(QThreadPool* pool, std::function<void()>* function,
                                               int priority) {
  using Start = void (*)(QThreadPool*, std::function<void()>*, int);
  static const Start start = qtDefinition<Start>("_ZN11QThreadPool5startESt8functionIFvvEEi");
  ++startedSinceAcquire;
  start(pool, function, priority);
}

void _ZN10QSemaphore7acquireEi(QSemaphore* semaphore, int n) {
  using Acquire = void (*)(QSemaphore*, int);
  static const Acquire acquire = qtDefinition<Acquire>("_ZN10QSemaphore7acquireEi");
  if (startedSinceAcquire > 0) {
    startedSinceAcquire = 0;
    splits.fetch_add(1);
  }
  acquire(semaphore, n);
}

}  // extern "C"
