#include "util/ParallelBands.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "util/WorkerPool.h"

namespace corvane {

void forEachBand(int32_t first, int32_t last, int32_t step, unsigned threads,
                 const std::function<void(int32_t, int32_t)>& body) {
  if (last < first) return;
  if (step < 1) step = 1;
  const int64_t rows = int64_t(last) - first + 1;
  const int64_t bands = (rows + step - 1) / step;
  auto runBand = [&](int64_t band) {
    const int64_t bandFirst = first + band * step;
    body(int32_t(bandFirst), int32_t(std::min<int64_t>(last, bandFirst + step - 1)));
  };
  if (threads <= 1 || bands == 1) {
    for (int64_t band = bands - 1; band >= 0; --band) runBand(band);
    return;
  }
  WorkerPool pool(uint32_t(bands - 1));
  std::atomic<bool> outOfMemory{false};
  try {
    pool.runAlongside(unsigned(std::min<int64_t>(threads, bands)) - 1, [&](unsigned) {
      for (uint32_t band = pool.takeDescending(); band != WorkerPool::kNoJob;
           band = pool.takeDescending()) {
        try {
          runBand(band);
        } catch (const std::bad_alloc&) {
          outOfMemory = true;
          throw;
        }
        pool.recruit();  // a thread that came free takes on the bands left
      }
    });
  } catch (const char*) {
    if (outOfMemory) throw std::bad_alloc();
    throw;
  }
}

}  // namespace corvane
