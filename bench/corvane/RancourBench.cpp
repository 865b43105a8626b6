#include <benchmark/benchmark.h>

#include <cstdint>
#include <thread>

#include "BenchPhotos.h"
#include "classification/RancourStage.h"
#include "util/ProcessorCount.h"

namespace {

using classification::RancourStage;

// Arguments: forced processor count (0 for every processor) and "#texture": 2, and 15, the
// default for a picture whose larger side is 4000 pixels. The stage's passes are split into
// bands, so it scales past its three colour jobs.
void BM_RancourStage(benchmark::State& state) {
  const RancourStage::Image& image = bench_photos::photo();
  const unsigned threads =
      state.range(0) ? static_cast<unsigned>(state.range(0)) : std::thread::hardware_concurrency();
  corvane::setProcessorCountOverride(threads);
  for (auto _ : state) {
    RancourStage stage(int32_t(state.range(1)), 1.0f / 6.0f, 7);
    RancourStage::Output out = stage.run(image, ProgressRange());
    benchmark::DoNotOptimize(out.data());
  }
  corvane::setProcessorCountOverride(0);
  state.counters["threads"] = threads;
  state.counters["Mpixel/s"] = benchmark::Counter(
      static_cast<double>(image.size()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RancourStage)
    ->Args({1, 2})
    ->Args({0, 2})
    ->Args({1, 15})
    ->Args({2, 15})
    ->Args({4, 15})
    ->Args({8, 15})
    ->Args({0, 15})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
