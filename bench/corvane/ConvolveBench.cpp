#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "kestrum/utility/ProgressRange.h"
#include "morphology/convolve.h"

using corvane::morphology::RunningMaximum;

namespace {

// A 12-megapixel byte image (4000 x 3000).
const blitz::Array<uint8_t, 2>& image() {
  static const blitz::Array<uint8_t, 2> a = [] {
    blitz::Array<uint8_t, 2> img(3000, 4000);
    std::mt19937 rng(1);
    uint8_t* p = img.data();
    for (size_t k = 0; k < img.numElements(); ++k) p[k] = uint8_t(rng());
    return img;
  }();
  return a;
}

void BM_RunningMaxAxis0(benchmark::State& state) {
  const int32_t w = int32_t(state.range(0));
  blitz::Array<uint8_t, 2> out(image().shape());
  for (auto _ : state) {
    auto box =
        corvane::morphology::convolveLineFast(image(), w, RunningMaximum{}, out, ProgressRange());
    benchmark::DoNotOptimize(box);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * image().numElements());
}

void BM_RunningMaxAxis1(benchmark::State& state) {
  const int32_t w = int32_t(state.range(0));
  blitz::Array<uint8_t, 2> out(image().shape());
  for (auto _ : state) {
    auto box =
        corvane::morphology::convolveLine(image(), out, w, RunningMaximum{}, ProgressRange());
    benchmark::DoNotOptimize(box);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * image().numElements());
}

}  // namespace

BENCHMARK(BM_RunningMaxAxis0)->Arg(3)->Arg(31)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunningMaxAxis1)->Arg(3)->Arg(31)->Unit(benchmark::kMillisecond);
