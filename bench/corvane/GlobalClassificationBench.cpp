#include <benchmark/benchmark.h>

#include <blitz/array.h>

#include <cstdint>
#include <string>

#include "BenchPhotos.h"
#include "classification/GlobalClassification.h"
#include "classification/HistogramWatershed.h"
#include "util/ProcessorCount.h"

using Classification = classification::GlobalClassification<unsigned char, 6, int>;

namespace {

// A 12-megapixel analysis image like a filtered photograph: smooth colour gradients with a
// little noise, the closing channels (3..5) a few levels above the opening ones (0..2).
const Classification::Image& photo() {
  static const Classification::Image image = [] {
    const int rows = 3000;
    const int columns = 4000;
    Classification::Image result(rows, columns);
    uint32_t state = 12345;
    auto noise = [&state](int range) {
      state = state * 1664525u + 1013904223u;
      return int((state >> 16) % uint32_t(range));
    };
    for (int i = 0; i < rows; ++i) {
      for (int j = 0; j < columns; ++j) {
        const int base[3] = {(i * 180) / rows + (j * 40) / columns,
                             (j * 200) / columns + ((i / 300) % 3) * 10,
                             ((i + j) * 120) / (rows + columns) + 60};
        Classification::Pixel& p = result(i, j);
        for (int c = 0; c < 3; ++c) {
          const int low = base[c] + noise(3);
          p[c] = uint8_t(low);
          p[c + 3] = uint8_t(low + noise(4));
        }
      }
    }
    return result;
  }();
  return image;
}

void threadsArgument(benchmark::internal::Benchmark* b) {
  b->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// Argument: forced processor count, 0 for all processors.
void BM_BuildHistograms(benchmark::State& state) {
  corvane::setProcessorCountOverride(unsigned(state.range(0)));
  Classification classification;
  classification.setImage(photo());
  classification::ColourLevels levels;
  for (auto _ : state) {
    Classification::buildHistograms(classification, levels, ProgressRange());
    benchmark::DoNotOptimize(levels[0].size());
  }
  state.counters["level0Bins"] = double(levels[0].size());
  state.counters["level6Bins"] = double(levels[6].size());
  corvane::setProcessorCountOverride(0);
}
BENCHMARK(BM_BuildHistograms)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GlobalClassificationRun(benchmark::State& state) {
  corvane::setProcessorCountOverride(unsigned(state.range(0)));
  Classification classification;
  for (auto _ : state) {
    classification.setImage(photo());  // drops the previous clusters
    classification.run(ProgressRange());
    benchmark::DoNotOptimize(classification.result(0));
  }
  state.counters["level0Clusters"] = double(classification.result(0));
  state.counters["level3Clusters"] = double(classification.result(3));
  corvane::setProcessorCountOverride(0);
}
BENCHMARK(BM_GlobalClassificationRun)->Apply(threadsArgument);

void BM_Partition(benchmark::State& state) {
  Classification classification;
  classification.setImage(photo());
  classification.run(ProgressRange());
  blitz::Array<int, 2> labels(photo().extent());
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        classification.partition(int(state.range(0)), labels, ProgressRange()));
  }
}
BENCHMARK(BM_Partition)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same stages on the analysis image of a photograph with the defaults of a 12-megapixel
// picture: the input the engine really gives them.
void BM_AnalysedBuildHistograms(benchmark::State& state) {
  Classification classification;
  classification.setImage(bench_photos::analysedPhoto());
  classification::ColourLevels levels;
  for (auto _ : state) {
    Classification::buildHistograms(classification, levels, ProgressRange());
    benchmark::DoNotOptimize(levels[0].size());
  }
  for (int k = 0; k < classification::kColourLevelCount; ++k) {
    state.counters["bins" + std::to_string(k)] = double(levels[k].size());
  }
}
BENCHMARK(BM_AnalysedBuildHistograms)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AnalysedGlobalClassificationRun(benchmark::State& state) {
  const Classification::Image& image = bench_photos::analysedPhoto();
  corvane::setProcessorCountOverride(unsigned(state.range(0)));
  Classification classification;
  for (auto _ : state) {
    classification.setImage(image);
    classification.run(ProgressRange());
    benchmark::DoNotOptimize(classification.result(0));
  }
  for (int k = 0; k < classification::kColourLevelCount; ++k) {
    state.counters["clusters" + std::to_string(k)] = double(classification.result(k));
  }
  corvane::setProcessorCountOverride(0);
}
BENCHMARK(BM_AnalysedGlobalClassificationRun)->Apply(threadsArgument);

// Argument: the colour level whose watershed is timed alone.
void BM_AnalysedLevelWatershed(benchmark::State& state) {
  static const classification::ColourLevels built = [] {
    Classification classification;
    classification.setImage(bench_photos::analysedPhoto());
    classification::ColourLevels levels;
    Classification::buildHistograms(classification, levels, ProgressRange());
    return levels;
  }();
  const int colourLevel = int(state.range(0));
  uint32_t labels = 0;
  for (auto _ : state) {
    state.PauseTiming();
    classification::ColourHistogram level = built[colourLevel];
    classification::WatershedResult slot;
    state.ResumeTiming();
    classification::histogramWatershed(level, slot, ProgressRange());
    labels = uint32_t(slot.nextLabel);
  }
  state.counters["bins"] = double(built[colourLevel].size());
  state.counters["clusters"] = double(labels);
}
BENCHMARK(BM_AnalysedLevelWatershed)
    ->DenseRange(0, 6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
