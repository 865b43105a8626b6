#include "kestrum/qt/RowBands.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrum {

namespace {

std::atomic<unsigned> threadsOverride{0};

// Rows a band of forEachRow takes at least: enough work to be worth a hand-over.
constexpr int kMinRowsPerBand = 8;

}  // namespace

unsigned rowBandThreads() {
  const unsigned forced = threadsOverride.load(std::memory_order_relaxed);
  if (forced) return forced;
  const unsigned n = std::thread::hardware_concurrency();
  return n ? n : 1u;
}

void setRowBandThreadsOverride(unsigned threads) {
  threadsOverride.store(threads, std::memory_order_relaxed);
}

void runRowBands(int rows, int minBandRows, const std::function<void(int, int)>& body) {
  if (rows <= 0) return;
  minBandRows = std::max(1, minBandRows);
  const unsigned threads = rowBandThreads();
  // Two bands a thread even out workers that the machine runs slower than the others.
  const long long wanted = std::max<long long>(1, 2LL * threads);
  const long long bands = std::min<long long>(wanted, (rows + minBandRows - 1LL) / minBandRows);
  const long long bandRows = (rows + bands - 1) / bands;
  const long long bandCount = (rows + bandRows - 1) / bandRows;

  std::atomic<long long> next{0};
  std::exception_ptr failure;
  std::mutex failureMutex;
  auto work = [&] {
    for (long long band = next.fetch_add(1); band < bandCount; band = next.fetch_add(1)) {
      const int first = int(band * bandRows);
      const int end = int(std::min<long long>(rows, first + bandRows));
      try {
        body(first, end);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureMutex);
        if (!failure) failure = std::current_exception();
      }
    }
  };

  std::vector<std::thread> helpers;
  const long long helperCount = std::min<long long>(threads, bandCount) - 1;
  helpers.reserve(size_t(std::max<long long>(0, helperCount)));
  for (long long i = 0; i < helperCount; ++i) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones running and this one share the bands
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

bool forEachRow(int rows, const std::function<bool()>& stop, const std::function<void(int)>& row) {
  std::atomic<bool> stopped{false};
  runRowBands(rows, kMinRowsPerBand, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      if (stop()) {
        stopped.store(true);
        return;
      }
      row(y);
    }
  });
  return !stopped.load();
}

}  // namespace kestrum
