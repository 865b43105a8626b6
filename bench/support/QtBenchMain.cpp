// The main of the benchmarks above the engine: pixmaps need a GUI application (widgets an
// application of widgets, when the program links them), here on the offscreen platform so the
// benchmarks run without a display.

#include <benchmark/benchmark.h>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
using BenchApplication = QApplication;
#else
#include <QGuiApplication>
using BenchApplication = QGuiApplication;
#endif

#include <vector>

#include "BenchTeardown.h"

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
  qputenv("QT_QPA_PLATFORM", "offscreen");
  BenchApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  runBenchTeardown();
  benchmark::Shutdown();
  return 0;
}
