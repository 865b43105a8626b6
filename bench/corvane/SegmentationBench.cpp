#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "classification/Segmentation.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/ProcessorCount.h"

using corvane::classification::LevelRecord;
using Seg = corvane::classification::Segmentation<6, 0>;

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
    const int rows = 3000, columns = 4000, cells = 60;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    struct Cell {
      float r, c, base[3], slopeR[3], slopeC[3];
    };
    std::vector<Cell> centres(cells);
    for (Cell& cell : centres) {
      cell.r = unit(rng) * rows;
      cell.c = unit(rng) * columns;
      for (int k = 0; k < 3; ++k) {
        cell.base[k] = 30.0f + unit(rng) * 190.0f;
        cell.slopeR[k] = (unit(rng) - 0.5f) * 0.05f;
        cell.slopeC[k] = (unit(rng) - 0.5f) * 0.05f;
      }
    }
    blitz::Array<Seg::ImagePixel, 2> img(rows, columns);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        int best = 0;
        float bestDistance = 1e30f;
        for (int k = 0; k < cells; ++k) {
          const float dr = centres[k].r - r, dc = centres[k].c - c;
          const float d = dr * dr + dc * dc;
          if (d < bestDistance) bestDistance = d, best = k;
        }
        const Cell& cell = centres[best];
        Seg::ImagePixel& p = img(r, c);
        for (int k = 0; k < 3; ++k) {
          const float v = cell.base[k] + cell.slopeR[k] * (r - cell.r) +
                          cell.slopeC[k] * (c - cell.c) + noise(rng);
          const int low = std::min(255, std::max(0, int(v)));
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
