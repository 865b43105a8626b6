// The main of the benchmarks above the engine: pixmaps and widgets need an application object,
// here on the offscreen platform, so the benchmarks run without a display, and over folders of
// the run's own (IsolatedRun, as the tests have it), so nothing a benchmark writes (settings
// saved by a widget's destructor, temporary files) reaches the user's.

#include <benchmark/benchmark.h>

#include <vector>

#include <QApplication>

#include "BenchTeardown.h"
#include "IsolatedRun.h"

namespace {

std::vector<std::function<void()>>& teardownSteps() {
  static std::vector<std::function<void()>> steps;
  return steps;
}

}  // namespace

void atBenchTeardown(std::function<void()> step) {
  teardownSteps().push_back(std::move(step));
}

void runBenchTeardown() {
  auto& steps = teardownSteps();
  while (!steps.empty()) {
    std::function<void()> step = std::move(steps.back());
    steps.pop_back();
    step();
  }
}

int main(int argc, char** argv) {
  const IsolatedRun run("bench");
  if (!run.ok()) return 3;
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  runBenchTeardown();
  benchmark::Shutdown();
  return 0;
}
