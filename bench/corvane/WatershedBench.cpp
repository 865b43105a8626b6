#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "watershed/Watershed.h"

namespace {

typedef corvane::WatershedInnerState::Pixel Pixel;

// A gradient-like image: smooth hills of gradient magnitude with some noise on them, the kind
// of height map the segmentation floods.
blitz::Array<Pixel, 2> gradientImage(int rows, int columns, int noise) {
  blitz::Array<Pixel, 2> image(rows, columns);
  std::mt19937 random(11);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      const double hills = 0.5 + 0.25 * std::sin(r * 0.013) * std::cos(c * 0.017) +
                           0.2 * std::sin((r + 2 * c) * 0.041);
      const int value = int(hills * 200.0) + int(random() % noise);
      const uint8_t height = uint8_t(std::min(255, std::max(0, value)));
      image(r, c) = Pixel(height, height, 0);
    }
  return image;
}

void resetLabels(blitz::Array<int32_t, 2>& labels) {
  labels = -1;
  labels(0, blitz::Range::all()) = 0;
  labels(labels.ubound(0), blitz::Range::all()) = 0;
  labels(blitz::Range::all(), 0) = 0;
  labels(blitz::Range::all(), labels.ubound(1)) = 0;
}

void BM_WatershedInner12MP(benchmark::State& state) {
  const int rows = 3000, columns = 4000;
  blitz::Array<Pixel, 2> image = gradientImage(rows, columns, int(state.range(0)));
  blitz::Array<int32_t, 2> labels(rows, columns);
  size_t regions = 0;
  for (auto _ : state) {
    state.PauseTiming();
    resetLabels(labels);
    corvane::WatershedLabels store(labels);
    store.addRegion();
    state.ResumeTiming();
    corvane::WatershedInnerState pass(image, store, 4);
    corvane::watershedInner(pass, ProgressRange());
    regions = store.regions().size();
    benchmark::DoNotOptimize(labels.data());
  }
  state.counters["regions"] = double(regions);
  state.SetItemsProcessed(state.iterations() * int64_t(rows) * columns);
}
// The argument is the noise amplitude: noisier images start far more regions.
BENCHMARK(BM_WatershedInner12MP)->Arg(24)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
