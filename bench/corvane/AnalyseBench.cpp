#include <benchmark/benchmark.h>

// Before Blitz++, whose tau.h defines a macro CT that breaks QColor.
#include "RealPhotos.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BenchPhotos.h"
#include "Corvane.h"
#include "classification/AnalyseImage.h"
#include "engine/CvInSession.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/ProcessorCount.h"

namespace {

constexpr uint32_t kWidth = 4000;
constexpr uint32_t kHeight = 3000;

// A 4000 x 3000 host picture: 60 cells (nearest of random centres) with their own colour and
// shading, sharp edges between them, sensor-like noise.
const std::vector<uint8_t>& photoPixels() {
  static const std::vector<uint8_t> pixels = [] {
    std::mt19937 rng(7);
    const bench_photos::CellScene scene(int(kHeight), int(kWidth), 60, rng);
    std::vector<uint8_t> out(size_t{kWidth} * kHeight * 4);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    for (uint32_t r = 0; r < kHeight; ++r) {
      for (uint32_t c = 0; c < kWidth; ++c) {
        const bench_photos::CellScene::Shade shade = scene(int(r), int(c));
        uint8_t* p = &out[(size_t{r} * kWidth + c) * 4];
        for (int k = 0; k < 3; ++k)
          p[k] = uint8_t(std::min(255, std::max(0, int(shade.value[k] + noise(rng)))));
        p[3] = 255;
      }
    }
    return out;
  }();
  return pixels;
}

struct Fixture : bench_photos::HostSession {
  Fixture() : HostSession(kWidth, kHeight, photoPixels()) {}
  Fixture(uint32_t width, uint32_t height, std::vector<uint8_t> pixels)
      : HostSession(width, height, std::move(pixels)) {}
  CvInSession& inner() { return *static_cast<CvInSession*>(session); }
};

// A session over real photograph `index` at `size` (RealPhotos.h); null when the photographs
// are not installed.
std::unique_ptr<Fixture> photoFixture(int index, int size) {
  const QImage photo = real_photos::load(index, size);
  if (photo.isNull()) return nullptr;
  std::vector<uint8_t> pixels(photo.constBits(), photo.constBits() + photo.sizeInBytes());
  return std::make_unique<Fixture>(uint32_t(photo.width()), uint32_t(photo.height()),
                                   std::move(pixels));
}

// An analysed session shared by the stroke benchmarks.
Fixture& analysed() {
  static Fixture* fixture = [] {
    auto* f = new Fixture;
    CvAnalyseImage(f->session, nullptr, nullptr);
    return f;
  }();
  return *fixture;
}

void BM_AnalyseImage(benchmark::State& state) {
  Fixture fixture;
  corvane::setProcessorCountOverride(unsigned(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    fixture.inner().setSegmented(false);  // the whole analysis again
    state.ResumeTiming();
    benchmark::DoNotOptimize(CvAnalyseImage(fixture.session, nullptr, nullptr));
  }
  corvane::setProcessorCountOverride(0);
  state.counters["outlines"] = fixture.session->regionCount;
  state.counters["regions"] = fixture.inner().classification().segmentation().innerLabelCount;
}

// FNV-1a over the bytes of a contiguous array.
template <class Array>
void digestArray(uint64_t& h, const Array& a) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(a.data());
  const size_t n = size_t(a.size()) * sizeof(typename Array::T_numtype);
  for (size_t i = 0; i < n; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
}

// A digest of everything the analysis leaves for later operations: the analysis image, the
// cluster labels of every colour level, the gradient and local value images, the flood's
// labels, the region map, the final label map and the outlines the host reads. Optimisations
// must leave it unchanged.
std::string analysisDigest(Fixture& fixture) {
  classification::IiClassification& c = fixture.inner().classification();
  auto& global = c.globalClassification();
  auto& segmentation = c.segmentation();
  uint64_t h = 1469598103934665603ull;
  digestArray(h, blitz::Array<bench_photos::Analysis::T_numtype, 2>(segmentation.image.copy()));
  classification::IiClassification::Labels labels(global.image().shape());
  for (int level = 0; level < 7; ++level) {
    const uint32_t count = global.partition(level, labels, ProgressRange());
    h = (h ^ count) * 1099511628211ull;
    digestArray(h, labels);
  }
  digestArray(h, segmentation.gradientImage);
  digestArray(h, blitz::Array<unsigned char, 2>(segmentation.localValues().copy()));
  digestArray(h, segmentation.innerLabels);
  digestArray(h, segmentation.regionMap);
  digestArray(h, blitz::Array<int32_t, 2>(c.finalLabels().copy()));
  for (uint32_t i = 0; i < fixture.session->regionCount; ++i) {
    const CvRegion& region = fixture.session->regions[i];
    const auto* bytes = reinterpret_cast<const unsigned char*>(region.points);
    for (size_t k = 0; k < size_t(region.count) * 2 * sizeof(float); ++k)
      h = (h ^ bytes[k]) * 1099511628211ull;
  }
  char text[24];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

// The session over real photograph range(0) at size range(1) (0: 1280 pixels on the long
// side, 1: 12 megapixels), labelled, on range(2) processors; null (the benchmark skipped)
// when the photographs are not installed.
std::unique_ptr<Fixture> photoBenchmark(benchmark::State& state) {
  std::unique_ptr<Fixture> fixture = photoFixture(int(state.range(0)), int(state.range(1)));
  if (!fixture) {
    state.SkipWithError("mate-backgrounds is not installed");
    return nullptr;
  }
  state.SetLabel(real_photos::shortName(int(state.range(0))) + "-" +
                 real_photos::sizeName(int(state.range(1))));
  corvane::setProcessorCountOverride(unsigned(state.range(2)));
  return fixture;
}

// "Analyse Image" of real photograph range(0) at size range(1) on range(2) processors.
void BM_PhotoAnalyse(benchmark::State& state) {
  const std::unique_ptr<Fixture> fixture = photoBenchmark(state);
  if (!fixture) return;
  for (auto _ : state) {
    state.PauseTiming();
    fixture->inner().setSegmented(false);  // the whole analysis again
    state.ResumeTiming();
    benchmark::DoNotOptimize(CvAnalyseImage(fixture->session, nullptr, nullptr));
  }
  corvane::setProcessorCountOverride(0);
  state.counters["regions"] = fixture->inner().classification().segmentation().innerLabelCount;
  state.SetLabel(real_photos::shortName(int(state.range(0))) + "-" +
                 real_photos::sizeName(int(state.range(1))) + " " + analysisDigest(*fixture));
}

// The analysis stage by stage, each stage's seconds as a counter: on the synthetic scene and
// range(0) processors, or with a second argument on real photograph range(1) at size range(2).
void BM_AnalyseStages(benchmark::State& state) {
  std::unique_ptr<Fixture> owned = state.range(1) < 0
                                       ? std::make_unique<Fixture>()
                                       : photoFixture(int(state.range(1)), int(state.range(2)));
  if (!owned) return state.SkipWithError("mate-backgrounds is not installed");
  Fixture& fixture = *owned;
  if (state.range(1) >= 0)
    state.SetLabel(real_photos::shortName(int(state.range(1))) + "-" +
                   real_photos::sizeName(int(state.range(2))));
  corvane::setProcessorCountOverride(unsigned(state.range(0)));
  classification::IiClassification& c = fixture.inner().classification();
  fixture.inner().loadParameters();
  double seconds[12] = {};
  auto timed = [](double& total, auto&& stage) {
    const auto t0 = std::chrono::steady_clock::now();
    stage();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  };
  for (auto _ : state) {
    c.rancourState = 0;
    timed(seconds[0], [&] { c.runRancours(ProgressRange()); });
    timed(seconds[1], [&] { c.globalClassification().run(ProgressRange()); });
    // The segmentation's five stages one by one, as its run does them after a new analysis
    // image.
    auto& segmentation = c.segmentation();
    timed(seconds[2], [&] { segmentation.updateHistograms(true, ProgressRange()); });
    timed(seconds[3], [&] { segmentation.watershedLevels(true, ProgressRange()); });
    timed(seconds[4], [&] { segmentation.updateGradients(true, ProgressRange()); });
    timed(seconds[5], [&] { segmentation.buildLocalValueMap(true, ProgressRange()); });
    timed(seconds[6], [&] { segmentation.watershedInnerStage(true, ProgressRange()); });
    segmentation.resetLevelRecords();
    timed(seconds[7], [&] { classification::cleanUpRegions(c); });
    timed(seconds[8], [&] { classification::labelRegions(c, c.partitionLevel, ProgressRange()); });
    std::vector<classification::Outline> outlines;
    timed(seconds[9], [&] { classification::traceOutlines(c, outlines); });
  }
  corvane::setProcessorCountOverride(0);
  const char* names[10] = {"1 rancour",    "2 global",       "3a histograms", "3b modes",
                           "3c gradients", "3d blend radii", "3e flood",      "4 clean-up",
                           "5 label map",  "6 outlines"};
  for (int i = 0; i < 10; ++i)
    state.counters[names[i]] = seconds[i] / double(std::max<int64_t>(state.iterations(), 1));
}

// The analysis image alone (the rank filters) of real photograph range(0) at size range(1) on
// range(2) processors, with the parameters the analysis takes for it.
void BM_PhotoRancour(benchmark::State& state) {
  const std::unique_ptr<Fixture> fixture = photoBenchmark(state);
  if (!fixture) return;
  classification::IiClassification& c = fixture->inner().classification();
  fixture->inner().loadParameters();
  for (auto _ : state) {
    c.rancourState = 0;
    c.runRancours(ProgressRange());
  }
  corvane::setProcessorCountOverride(0);
  state.counters["disc"] = double(c.texture + 1);
}

// One brush stroke of 40 x 40 pixels on the analysed session, undone between strokes.
void BM_Stroke(benchmark::State& state) {
  Fixture& fixture = analysed();
  const bool region = state.range(0) != 0;
  const float weight = float(state.range(1));
  std::mt19937 rng(3);
  int32_t changed = 0;
  for (auto _ : state) {
    const int32_t x = int32_t(rng() % (kWidth - 40));
    const int32_t y = int32_t(rng() % (kHeight - 40));
    CvSelection rect{x, y, CvImage{40, 40, 40, CvKindStatus, nullptr}};
    CvSelect(fixture.session, fixture.status, &rect, CvStatusKeep, CvStatusInPicture,
             region ? 1 : 0, weight, nullptr, nullptr);
    state.PauseTiming();
    changed += int32_t(fixture.session->changedWidth);
    CvUndo(fixture.session, nullptr, nullptr);
    state.ResumeTiming();
  }
  state.counters["mean changed width"] =
      double(changed) / double(std::max<int64_t>(state.iterations(), 1));
}

}  // namespace

BENCHMARK(BM_AnalyseImage)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_AnalyseStages)
    ->Args({1, -1, 0})
    ->Args({int64_t(std::max(1u, std::thread::hardware_concurrency())), -1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
// Every photograph at both sizes on 1 and 8 processors; pick with --benchmark_filter, for
// example BM_PhotoAnalyse/[0-9]+/0/8 for the working size on 8 processors.
void photoArguments(benchmark::internal::Benchmark* b) {
  for (int size = 0; size < 2; ++size)
    for (int threads : {1, 8})
      for (int index = 0; index < int(real_photos::names().size()); ++index)
        b->Args({index, size, threads});
}
void stageArguments(benchmark::internal::Benchmark* b) {
  for (int size = 0; size < 2; ++size)
    for (int threads : {1, 8})
      for (int index = 0; index < int(real_photos::names().size()); ++index)
        b->Args({threads, index, size});
}
BENCHMARK(BM_PhotoAnalyse)
    ->Apply(photoArguments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_AnalyseStages)
    ->Apply(stageArguments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_PhotoRancour)
    ->Apply(photoArguments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_Stroke)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 3})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40)
    ->UseRealTime();

BENCHMARK_MAIN();
