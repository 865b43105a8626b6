#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "Corvane.h"

namespace {

// A 6000 × 4000 photo-like picture: smooth gradients with noise, fully opaque.
const std::vector<uint8_t>& photo() {
  static const std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> p(size_t{6000} * 4000 * 4);
    std::mt19937 rng(7);
    for (uint32_t y = 0; y < 4000; ++y)
      for (uint32_t x = 0; x < 6000; ++x) {
        uint8_t* q = p.data() + (size_t{y} * 6000 + x) * 4;
        const uint32_t noise = rng();
        q[0] = static_cast<uint8_t>(x / 24 + (noise & 15));
        q[1] = static_cast<uint8_t>(y / 16 + ((noise >> 4) & 15));
        q[2] = static_cast<uint8_t>((x + y) / 40 + ((noise >> 8) & 15));
        q[3] = 255;
      }
    return p;
  }();
  return pixels;
}

void BM_ScaleImage(benchmark::State& state) {
  const uint32_t factor = static_cast<uint32_t>(state.range(0));
  const std::vector<uint8_t>& src = photo();
  const uint32_t dw = 6000 / factor, dh = 4000 / factor;
  std::vector<uint8_t> dst(size_t{dw} * dh * 4);
  const CvImage source{6000, 4000, 6000 * 4, CvKindRgba8, const_cast<uint8_t*>(src.data())};
  const CvImage destination{dw, dh, dw * 4, CvKindRgba8, dst.data()};
  for (auto _ : state) {
    if (CvScaleImage(source, destination) != CvOk) state.SkipWithError("CvScaleImage failed");
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  // Source megapixels reduced per second.
  state.counters["MP/s"] = benchmark::Counter(24.0 * static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_ScaleImage)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
