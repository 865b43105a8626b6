#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "util/ProcessorCount.h"

namespace corvane {

// Splits the rows first .. last (inclusive) into bands of `step` rows and runs
// body(bandFirst, bandLast) for each band on the calling thread and up to `threads` - 1
// engine threads that are free (WorkerPool::runAlongside): a run nested in busy workers
// mostly stays on its own thread.
//
// For work whose bands are independent (each writes only its own rows), so that the result
// is the same for every thread count. With one thread, or a single band, the bands run in
// the calling thread, in descending order like the pool's jobs. A cancel or failure in any
// band stops the handing out of further bands and is raised after every worker has been
// joined (cancel first), exactly as the pool does; in the calling thread the exception passes
// through unchanged. Exhausted memory in a band leaves as std::bad_alloc on every path, as it
// would from the same work done in one thread, so that the engine answers it as out of memory
// rather than as a failed worker.
void forEachBand(int32_t first, int32_t last, int32_t step, unsigned threads,
                 const std::function<void(int32_t, int32_t)>& body);

// Runs f(i) for every i in 0 .. count - 1 on the engine's workers, `chunk` consecutive
// indices a band, for loops whose iterations touch disjoint data.
template <class F>
void forEachInParallel(size_t count, size_t chunk, F&& f) {
  if (count == 0) return;
  forEachBand(0, static_cast<int32_t>(count - 1), static_cast<int32_t>(chunk == 0 ? 1 : chunk),
              processorCount(), [&f](int32_t first, int32_t last) {
                for (int32_t i = first; i <= last; ++i) f(static_cast<size_t>(i));
              });
}

}  // namespace corvane
