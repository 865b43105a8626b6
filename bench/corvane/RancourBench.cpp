#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <thread>

#include "classification/RancourStage.h"
#include "util/ProcessorCount.h"

namespace {

using classification::RancourStage;

// A 4000 x 3000 picture with the structure of a photograph: smooth shading, a few sharp
// object edges and fine sensor noise.
const RancourStage::Image& photo() {
  static const RancourStage::Image image = [] {
    const int rows = 3000, cols = 4000;
    RancourStage::Image im(rows, cols);
    std::mt19937 rng(42);
    std::normal_distribution<float> noise(0.0f, 4.0f);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        const float x = c / float(cols), y = r / float(rows);
        const bool object = (x - 0.5f) * (x - 0.5f) + (y - 0.55f) * (y - 0.55f) < 0.08f;
        const bool stripe = object && (static_cast<int>(x * 60.0f) & 1);
        float base[3] = {object ? 170.0f : 90.0f + 80.0f * y,
                         object ? 120.0f : 120.0f + 60.0f * std::sin(6.0f * x),
                         stripe   ? 210.0f
                         : object ? 60.0f
                                  : 200.0f - 100.0f * y};
        for (int k = 0; k < 3; ++k) {
          const float v = base[k] + noise(rng);
          im(r, c)[k] = static_cast<uint8_t>(v < 0.0f ? 0.0f : v > 255.0f ? 255.0f : v);
        }
        im(r, c)[3] = 255;
      }
    }
    return im;
  }();
  return image;
}

void BM_RancourStage(benchmark::State& state) {
  const RancourStage::Image& image = photo();
  const unsigned threads =
      state.range(0) ? static_cast<unsigned>(state.range(0)) : std::thread::hardware_concurrency();
  corvane::setProcessorCountOverride(threads);
  for (auto _ : state) {
    RancourStage stage(2, 1.0f / 6.0f, 7);
    RancourStage::Output out = stage.run(image, ProgressRange());
    benchmark::DoNotOptimize(out.data());
  }
  corvane::setProcessorCountOverride(0);
  state.counters["threads"] = threads;
  state.counters["Mpixel/s"] = benchmark::Counter(
      static_cast<double>(image.size()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
// 0 stands for every processor.
BENCHMARK(BM_RancourStage)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
