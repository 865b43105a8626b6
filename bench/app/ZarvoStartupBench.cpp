// zarvo-startup: whole starts of the program, from spawning the test host ("startup" driver,
// offscreen, settings, log and program folder of its own, the web on a loopback port that
// refuses) until it exits: the start-up, the main window shown and idle, and the way out.
// Aimed at: under 1.5 s to an interactive main window.

#include <benchmark/benchmark.h>

#include "ChildRuns.h"

namespace {

void ZarvoStartup(benchmark::State& state) {
  const BenchSandbox sandbox = makeBenchSandbox("zarvo-startup");
  // The first start on a "machine" makes its identifiers and folders.
  runInSandbox(sandbox, {ZARVO_TESTHOST, "startup"});
  for (auto _ : state) {
    if (runInSandbox(sandbox, {ZARVO_TESTHOST, "startup"}) != 0) {
      state.SkipWithError("the test host did not end normally");
      break;
    }
  }
  state.counters["starts_per_s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  removeBenchSandbox(sandbox);
}

}  // namespace

BENCHMARK(ZarvoStartup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK_MAIN();
