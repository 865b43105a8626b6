#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "BenchPhotos.h"
#include "Corvane.h"

namespace {

// A 4000 x 3000 session; each iteration places a disc-shaped status patch over the whole
// picture (a large brush stroke), then undoes and redoes it.
struct Fixture : bench_photos::HostSession {
  static constexpr uint32_t kWidth = 4000;
  static constexpr uint32_t kHeight = 3000;
  std::vector<uint8_t> labels = std::vector<uint8_t>(size_t{kWidth} * kHeight, 0);

  Fixture()
      : HostSession(kWidth, kHeight, std::vector<uint8_t>(size_t{kWidth} * kHeight * 4, 255)) {
    const int64_t cx = kWidth / 2, cy = kHeight / 2, r = kHeight / 2;
    for (int64_t y = 0; y < kHeight; ++y)
      for (int64_t x = 0; x < kWidth; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r) labels[y * kWidth + x] = 2;
  }
};

void BM_SetStatusUndoRedo(benchmark::State& state) {
  Fixture f;
  CvSelection placed{
      0, 0,
      CvImage{Fixture::kWidth, Fixture::kHeight, Fixture::kWidth, CvKindStatus, f.labels.data()}};
  for (auto _ : state) {
    if (CvCommitUndoStep(f.session) != CvOk ||
        CvSetStatus(f.session, f.status, &placed, nullptr, nullptr) != CvOk ||
        CvUndo(f.session, nullptr, nullptr) != CvOk || CvRedo(f.session, nullptr, nullptr) != CvOk)
      state.SkipWithError("status operation failed");
    CvClearUndoRedo(f.session);
  }
  state.counters["MP/s"] = benchmark::Counter(12.0 * static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_SetStatusUndoRedo)->Unit(benchmark::kMillisecond);
