#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "util/ProcessorCount.h"
#include "util/WorkerPool.h"

namespace corvane {

// Runs f(i) for every i in 0 .. count - 1 on the engine's workers, `chunk` consecutive
// indices a job, for loops whose iterations touch disjoint data. Exceptions leave as the
// worker pool raises them.
template <class F>
void forEachInParallel(size_t count, size_t chunk, F&& f) {
  if (count == 0) return;
  if (chunk == 0) chunk = 1;
  const size_t jobs = (count + chunk - 1) / chunk;
  WorkerPool pool(static_cast<uint32_t>(jobs - 1));
  const unsigned threads = static_cast<unsigned>(std::min<size_t>(processorCount(), jobs));
  pool.run(threads, [&](unsigned) {
    for (uint32_t job = pool.takeDescending(); job != WorkerPool::kNoJob;
         job = pool.takeDescending()) {
      const size_t first = job * chunk, last = std::min(count, first + chunk);
      for (size_t i = first; i < last; ++i) f(i);
    }
  });
}

}  // namespace corvane
