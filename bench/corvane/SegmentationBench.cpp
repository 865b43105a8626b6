#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "BenchPhotos.h"
#include "classification/Segmentation.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/ProcessorCount.h"

using classification::LevelRecord;
using Seg = classification::Segmentation<6, 0>;

namespace {

// The parameters "Analyse Image" sets for a 4000 x 3000 photo with the default tuning: an
// in-focus edge width of 11, so blocks of 16 and a value limit of 11; four colour bits;
// image tolerance 4^0.51.
LevelRecord photoRecord() {
  LevelRecord r;
  r.histogramBits = 4;
  r.levelThreshold = 1.05f;
  r.innerScale = std::pow(4.0f, 0.51f);
  r.focus = 0.0f;
  r.reservedFloat6 = 0.0f;
  r.blockHistogramKind = 0;
  r.blockSize = 16;
  r.windowRadius = 1;
  r.histogramMode = 4;
  r.valueLimit = 11;
  r.blendMode = 2;
  return r;
}

// 4000 x 3000 six-channel analysis image: 60 cells (nearest of random centres), each with its
// own colour and linear shading, sharp edges between them, sensor-like noise; channels 3 to 5
// sit a little above channels 0 to 2, as a rank closing does against an opening.
const blitz::Array<Seg::ImagePixel, 2>& photo() {
  static const blitz::Array<Seg::ImagePixel, 2> image = [] {
    const int rows = 3000, columns = 4000;
    std::mt19937 rng(7);
    const bench_photos::CellScene scene(rows, columns, 60, rng);
    blitz::Array<Seg::ImagePixel, 2> img(rows, columns);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        const bench_photos::CellScene::Shade shade = scene(r, c);
        Seg::ImagePixel& p = img(r, c);
        for (int k = 0; k < 3; ++k) {
          const int low = std::min(255, std::max(0, int(shade.value[k] + noise(rng))));
          p[k] = uint8_t(low);
          p[k + 3] = uint8_t(std::min(255, low + 2 + int(std::abs(noise(rng)))));
        }
      }
    }
    return img;
  }();
  return image;
}

// A segmentation that has run once on the photo, so that every stage has its inputs.
Seg& analysed() {
  static Seg* seg = [] {
    Seg* s = new Seg;
    s->setImage(photo());
    s->baseRecord = photoRecord();
    s->run(ProgressRange());
    return s;
  }();
  return *seg;
}

enum Stage { kHistograms, kModes, kGradients, kValues, kRegions, kWhole };

void BM_Segmentation(benchmark::State& state) {
  const Stage stage = Stage(state.range(0));
  const unsigned threads = unsigned(state.range(1));
  Seg& seg = analysed();
  corvane::setProcessorCountOverride(threads);
  for (auto _ : state) {
    bool changed = false;
    switch (stage) {
      case kHistograms:
        state.PauseTiming();
        seg.assignLevelRecord(LevelRecord());
        state.ResumeTiming();
        changed = seg.updateHistograms(false, ProgressRange());
        break;
      case kModes:
        changed = seg.watershedLevels(true, ProgressRange());
        break;
      case kGradients:
        changed = seg.updateGradients(true, ProgressRange());
        break;
      case kValues:
        changed = seg.buildLocalValueMap(true, ProgressRange());
        break;
      case kRegions:
        changed = seg.watershedInnerStage(true, ProgressRange());
        break;
      case kWhole:
        state.PauseTiming();
        seg.assignLevelRecord(LevelRecord());
        state.ResumeTiming();
        changed = seg.run(ProgressRange());
        break;
    }
    benchmark::DoNotOptimize(changed);
  }
  seg.resetLevelRecords();
  corvane::setProcessorCountOverride(0);
  state.SetItemsProcessed(state.iterations() * int64_t(photo().numElements()));
  state.counters["labels"] = seg.innerLabelCount;
}

void stages(benchmark::internal::Benchmark* b) {
  const int all = int(std::max(1u, corvane::processorCount()));
  for (int stage = kHistograms; stage <= kWhole; ++stage) {
    b->Args({stage, 1});
    if (all > 1) b->Args({stage, all});
  }
  b->ArgNames({"stage", "threads"});
}

BENCHMARK(BM_Segmentation)->Apply(stages)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
