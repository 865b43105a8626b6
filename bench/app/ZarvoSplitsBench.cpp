// zarvo-splits: the test host's whole cut-out ("cutout" script, as zarvo-cutout runs it) on the
// 12-megapixel sample, with the split counter preloaded: how often the program waited for image
// work that Qt split over its global thread pool (kestrum/qt/UnsplitImageWork.h says why it
// should not). Counter: split_conversions, from spawning until the exit. Aimed at: none on the
// program's repeated paths; what one-off loads leave is named in the README.

#include <benchmark/benchmark.h>

#include <fstream>

#include "ChildRuns.h"

namespace {

void ZarvoSplits(benchmark::State& state) {
  BenchSandbox sandbox = makeBenchSandbox("zarvo-splits");
  const std::string photo = drawSampleInSandbox(sandbox, CORVANE_SAMPLE, state);
  if (photo.empty()) {
    removeBenchSandbox(sandbox);
    return;
  }
  const std::string countFile = sandbox.root + "/splits";
  sandbox.environment.push_back(std::string("LD_PRELOAD=") + ZARVO_SPLIT_COUNTER);
  sandbox.environment.push_back("ZARVO_SPLIT_COUNT_FILE=" + countFile);
  int splits = -1;
  for (auto _ : state) {
    const std::string out = sandbox.root + "/out";
    if (runInSandbox(sandbox, {ZARVO_TESTHOST, "cutout", out, photo}) != 0) {
      state.SkipWithError("the cut-out script did not end normally");
      break;
    }
    std::ifstream count(countFile);
    if (!(count >> splits)) {
      state.SkipWithError("the split counter left no count");
      break;
    }
  }
  state.counters["split_conversions"] = splits;
  removeBenchSandbox(sandbox);
}

}  // namespace

BENCHMARK(ZarvoSplits)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
