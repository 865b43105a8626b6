#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "kestrum/qt/AbortableThread.h"
#include "kestrum/qt/RowBands.h"

using namespace kestrum;

namespace {

// Spins until aborted, polling; or throws what it is told to.
class Spinner : public AbortableThread {
 public:
  enum class Failure { None, OutOfMemory, Other };
  explicit Spinner(Failure failure = Failure::None) : failure_(failure) {}
  ~Spinner() override { stopAndWait(); }
  AbortableThread* child = nullptr;
  std::atomic<bool> childJoined{false};

 protected:
  void process() override {
    if (failure_ == Failure::OutOfMemory) throw std::bad_alloc();
    if (failure_ == Failure::Other) throw std::runtime_error("broken");
    if (child) {
      child->start();
      waitForChild(*child);
      childJoined = child->isFinished();
      return;
    }
    while (!isAborted()) std::this_thread::yield();
  }

 private:
  const Failure failure_;
};

}  // namespace

TEST(AbortableThread, AbortReachesANestedChildAndTheFlagStaysUntilCleared) {
  Spinner parent;
  Spinner child;
  parent.child = &child;
  parent.start();
  while (!child.isRunning() && !parent.isFinished()) std::this_thread::yield();
  parent.abort();
  ASSERT_TRUE(parent.wait(10000));
  EXPECT_TRUE(parent.childJoined.load());
  EXPECT_TRUE(child.isAborted());
  EXPECT_TRUE(parent.isAborted());
  parent.clearAbort();
  EXPECT_FALSE(parent.isAborted());
}

TEST(AbortableThread, ExceptionsEndTheRunAsAnAbort) {
  for (Spinner::Failure failure : {Spinner::Failure::OutOfMemory, Spinner::Failure::Other}) {
    Spinner thread(failure);
    thread.start();
    ASSERT_TRUE(thread.wait(10000));
    EXPECT_TRUE(thread.isAborted());
  }
}

TEST(RowBands, EveryRowOnceForAnyThreadCount) {
  for (unsigned threads : {1u, 2u, 3u, 8u, 64u}) {
    setRowBandThreadsOverride(threads);
    for (int rows : {0, 1, 7, 100, 1001}) {
      std::vector<std::atomic<int>> seen(std::size_t(std::max(rows, 1)));
      runRowBands(rows, 3, [&](int first, int end) {
        for (int y = first; y < end; ++y) ++seen[std::size_t(y)];
      });
      for (int y = 0; y < rows; ++y)
        ASSERT_EQ(seen[std::size_t(y)].load(), 1) << threads << " " << y;
    }
  }
  setRowBandThreadsOverride(0);
}

TEST(RowBands, ExceptionsReachTheCallerAfterAllBandsEnded) {
  setRowBandThreadsOverride(4);
  std::atomic<int> ended{0};
  EXPECT_THROW(runRowBands(100, 1,
                           [&](int first, int) {
                             ++ended;
                             if (first == 0) throw std::bad_alloc();
                           }),
               std::bad_alloc);
  EXPECT_GE(ended.load(), 1);
  setRowBandThreadsOverride(0);
}
