#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "util/CvExCancel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/WorkerPool.h"

using corvane::forEachBand;
using corvane::WorkerPool;

namespace {

TEST(WorkerPool, EveryJobRunsOnceOnManyWorkers) {
  WorkerPool pool(999);
  std::vector<std::atomic<int>> seen(1000);
  pool.run(8, [&](unsigned) {
    for (uint32_t j; (j = pool.takeDescending()) != WorkerPool::kNoJob;) seen[j]++;
  });
  for (auto& s : seen) EXPECT_EQ(s.load(), 1);
}

TEST(WorkerPool, FailureIsPlainTextAfterJoin) {
  WorkerPool pool(100);
  std::atomic<int> finished{0};
  try {
    pool.run(4, [&](unsigned i) {
      if (i == 0) throw std::runtime_error("boom");
      for (uint32_t j; (j = pool.takeDescending()) != WorkerPool::kNoJob;) {
      }
      finished++;
    });
    FAIL() << "no exception";
  } catch (const char* text) {
    EXPECT_STREQ(text, "Unhandled exception in worker thread.");
  }
  EXPECT_EQ(finished.load(), 3);
}

TEST(WorkerPool, CancelWinsOverFailure) {
  WorkerPool pool(10);
  std::mutex m;
  int calls = 0;
  EXPECT_THROW(pool.run(2,
                        [&](unsigned) {
                          int mine;
                          {
                            std::lock_guard<std::mutex> lock(m);
                            mine = calls++;
                          }
                          if (mine == 0) throw CvExCancel();
                          throw 42;
                        }),
               CvExCancel);
  EXPECT_TRUE(pool.cancelled());
  EXPECT_TRUE(pool.failed());
}

TEST(WorkerPool, ExceptionWhileStartingJoinsStartedWorkers) {
  WorkerPool pool(1000000);
  std::atomic<int> running{0};
  std::atomic<int> ended{0};
  try {
    pool.run(
        4,
        [&](unsigned) {
          running++;
          while (pool.takeDescending() != WorkerPool::kNoJob) {
          }
          ended++;
        },
        [&](unsigned i) {
          if (i == 2) throw CvExCancel();
        });
    FAIL() << "no exception";
  } catch (const CvExCancel&) {
  }
  // Both started workers ran to their end before run() gave up.
  EXPECT_EQ(running.load(), 2);
  EXPECT_EQ(ended.load(), 2);
}

TEST(ForEachBand, CoversEveryRowOnceForAnyThreadCount) {
  for (unsigned threads : {1u, 3u, 8u}) {
    std::vector<std::atomic<int>> hits(103);
    forEachBand(-2, 100, 7, threads, [&](int32_t a, int32_t b) {
      for (int32_t r = a; r <= b; ++r) hits[size_t(r + 2)]++;
    });
    for (const auto& h : hits) EXPECT_EQ(h.load(), 1) << threads;
  }
  bool ran = false;
  forEachBand(5, 4, 1, 4, [&](int32_t, int32_t) { ran = true; });
  EXPECT_FALSE(ran);
}

TEST(ForEachBand, RaisesCancelAndFailuresAfterEveryBandIsJoined) {
  std::atomic<int> running{0};
  EXPECT_THROW(forEachBand(0, 999, 1, 4,
                           [&](int32_t a, int32_t) {
                             running++;
                             if (a == 500) throw CvExCancel();
                             running--;
                           }),
               CvExCancel);
  EXPECT_EQ(running.load(), 1);  // only the cancelled band is left counted

  // Exhausted memory stays what it is; other failures become the pool's failure text.
  EXPECT_THROW(forEachBand(0, 99, 1, 4,
                           [](int32_t a, int32_t) {
                             if (a == 50) throw std::bad_alloc();
                           }),
               std::bad_alloc);
  EXPECT_THROW(forEachBand(0, 99, 1, 4,
                           [](int32_t a, int32_t) {
                             if (a == 50) throw std::runtime_error("x");
                           }),
               const char*);
}

}  // namespace
