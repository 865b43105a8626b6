#include <benchmark/benchmark.h>

#include <blitz/array.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

#include "mask/MaskPass.h"

namespace {

using namespace corvane;
using namespace corvane::mask;
using Pixel = MaskPixel8::Pixel;

constexpr int kRows = 3000, kColumns = 4000;  // 12 megapixels at full resolution
constexpr float kChamfer = 0.9619349f;

// A photo-like cut-out at `factor` pixels per working cell: a warm, noisy foreground on the
// left, a cool background on the right, and between them a wavy unassigned band of 16 cells
// where the picture blends from one to the other.
struct Scene {
  int factor;
  int rows, columns;  // working cells
  blitz::Array<uint8_t, 2> status, weights, pristineStatus;
  blitz::Array<ClassDistances, 2> pairs;
  blitz::Array<Pixel, 2> image, mask, working;

  explicit Scene(int f)
      : factor(f),
        rows(kRows / f),
        columns(kColumns / f),
        status(rows, columns),
        weights(rows, columns),
        pristineStatus(rows, columns),
        pairs(rows, columns),
        image(kRows, kColumns),
        mask(kRows, kColumns),
        working(rows, columns) {
    const float band = 16.0f;
    auto boundary = [&](float r) {
      return columns * 0.5f + columns * 0.1f * std::sin(r / (rows * 0.05f));
    };
    for (int r = 0; r < rows; ++r) {
      const float b = boundary(r + 0.5f);
      for (int c = 0; c < columns; ++c) {
        const float x = c + 0.5f - (b - band * 0.5f);
        const bool keep = x < 0, drop = x >= band;
        pristineStatus(r, c) = static_cast<uint8_t>((keep ? 2 : drop ? 4 : 1) | 128);
        pairs(r, c) = keep || drop ? ClassDistances(0, 0)
                                   : ClassDistances((x + 1) * kChamfer, (band - x) * kChamfer);
      }
    }
    weights = 0;
    std::mt19937 rng(11);
    for (int y = 0; y < kRows; ++y) {
      const float b = boundary((y + 0.5f) / f) * f;
      for (int x = 0; x < kColumns; ++x) {
        float a = (x + 0.5f - (b - band * 0.5f * f)) / (band * f);
        a = a < 0 ? 0 : a > 1 ? 1 : a;
        const uint32_t noise = rng();
        auto mix = [&](float fg, float bg, int shift) {
          const float v = fg * (1 - a) + bg * a + float((noise >> shift) & 15);
          return static_cast<uint8_t>(v > 255 ? 255 : v);
        };
        image(y, x) = Pixel{{mix(40, 200, 0), mix(120, 160, 4), mix(220, 60, 8), 255}};
      }
    }
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c) working(r, c) = image(r * f + f / 2, c * f + f / 2);
  }

  void reset() {
    status = pristineStatus;
    mask = Pixel{{0, 0, 0, 0}};
  }

  void run() {
    const Box cells{0, 0, rows - 1, columns - 1};
    const MaskScale scale{float(factor), float(factor)};
    maskPass<MaskPixel8>(mask, image, working, status, cells, cells, scale, weights, pairs,
                         MaskPassPyramids, {}, {}, 1.0f, ProgressRange());
  }
};

void BM_MaskPass(benchmark::State& state) {
  // Built once per factor: making the picture takes longer than the pass.
  static std::unique_ptr<Scene> scenes[3];
  const int factor = static_cast<int>(state.range(0));
  if (!scenes[factor]) scenes[factor] = std::make_unique<Scene>(factor);
  Scene& scene = *scenes[factor];
  for (auto _ : state) {
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
    scene.run();
    benchmark::DoNotOptimize(scene.mask.data());
    benchmark::ClobberMemory();
  }
  state.counters["MP/s"] = benchmark::Counter(12.0 * static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_MaskPass)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
