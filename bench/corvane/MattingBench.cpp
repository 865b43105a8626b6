#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "Corvane.h"
#include "mask/PaletteMatting.h"
#include "util/ProcessorCount.h"

namespace {

using corvane::mask::MattePixel8;

constexpr int kRows = 2000, kCols = 3000;
constexpr double kCentreRow = 1000.0, kCentreCol = 1500.0, kRadius = 800.0;
// Half the width of the band the patch covers: 2π · 800 · 2 · 200 ≈ 2 megapixels.
constexpr double kBandHalfWidth = 200.0;
// Half the width of the unassigned strip along the edge inside the band.
constexpr double kOpenHalfWidth = 12.0;

double edgeDistance(int r, int c) {
  return std::hypot(r - kCentreRow, c - kCentreCol) - kRadius;
}

// A textured object (a disc) over a textured background, with an edge softened over a few
// pixels.
const blitz::Array<MattePixel8, 2>& photo() {
  static const blitz::Array<MattePixel8, 2> image = [] {
    blitz::Array<MattePixel8, 2> a(kRows, kCols);
    std::mt19937 rng(11);
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kCols; ++c) {
        const uint32_t noise = rng();
        const double fg[3] = {40.0 + c / 60 + (noise & 15), 60.0 + r / 40 + ((noise >> 4) & 15),
                              190.0 + ((noise >> 8) & 31)};
        const double bg[3] = {150.0 + r / 30 + ((noise >> 13) & 31), 170.0 + ((noise >> 18) & 15),
                              30.0 + c / 50 + ((noise >> 22) & 15)};
        const double t = std::min(1.0, std::max(0.0, 0.5 - edgeDistance(r, c) / 4.0));
        MattePixel8 p;
        for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(t * fg[k] + (1.0 - t) * bg[k]);
        p[3] = 255;
        a(r, c) = p;
      }
    }
    return a;
  }();
  return image;
}

// The statuses of a choices pass over the band: kept inside the edge, deleted outside, an
// unassigned strip along it, the whole band in the matting region.
const blitz::Array<uint8_t, 2>& bandStatus(int64_t& bandPixels) {
  static int64_t count = 0;
  static const blitz::Array<uint8_t, 2> status = [] {
    blitz::Array<uint8_t, 2> s(kRows, kCols);
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kCols; ++c) {
        const double d = edgeDistance(r, c);
        uint8_t v = d < 0 ? CvStatusKeep : CvStatusDelete;
        if (std::fabs(d) <= kOpenHalfWidth) v = CvStatusInPicture;
        if (std::fabs(d) <= kBandHalfWidth) {
          v |= CvStatusMatteRegion;
          ++count;
        }
        s(r, c) = v;
      }
    }
    return s;
  }();
  bandPixels = count;
  return status;
}

// Argument: the number of worker threads, 0 for one per processor.
void BM_MattePalettes8(benchmark::State& state) {
  corvane::setProcessorCountOverride(static_cast<unsigned>(state.range(0)));
  const blitz::Array<MattePixel8, 2>& source = photo();
  int64_t bandPixels = 0;
  const blitz::Array<uint8_t, 2>& marked = bandStatus(bandPixels);
  blitz::Array<MattePixel8, 2> output(kRows, kCols);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) output(r, c) = MattePixel8{{0, 0, 0, 0}};
  blitz::Array<uint8_t, 2> status(kRows, kCols);
  corvane::mask::MaskPatch patch;
  patch.isChoices = true;
  patch.choice1 = 0.5f;
  patch.choice2 = 0.5f;
  const corvane::Box box{0, 0, kRows - 1, kCols - 1};
  for (auto _ : state) {
    status = marked;  // the kernel holds the pixels it matted
    const int32_t result = corvane::mask::mattePalettes8(source, status, output, box, 1.0f, 1.0f,
                                                         patch, ProgressRange());
    if (result != corvane::mask::kMatteDone) state.SkipWithError("matting failed");
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  // A digest of the result, to see that speed-ups keep it bit for bit.
  uint32_t digest = 2166136261u;
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c)
      for (int k = 0; k < 4; ++k) digest = (digest ^ output(r, c)[k]) * 16777619u;
  corvane::setProcessorCountOverride(0);
  state.SetLabel("digest " + std::to_string(digest));
  state.counters["band MP"] = static_cast<double>(bandPixels) * 1e-6;
  state.counters["pixels/s"] =
      benchmark::Counter(static_cast<double>(bandPixels) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_MattePalettes8)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
