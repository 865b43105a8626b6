// zarvo-bench-probe: one benchmark on the shared benchmark main that writes what a benchmark of
// the views leaves behind (a setting, as a widget's destructor saves it, and a temporary file)
// and prints where those went: "settings <path>" and "temporary <path>" on the standard error.

#include <benchmark/benchmark.h>

#include <cstdio>

#include <QSettings>
#include <QTemporaryFile>

namespace {

void BM_WritesSettings(benchmark::State& state) {
  QSettings settings(QStringLiteral("OrbelTech"), QStringLiteral("Zarvo"));
  QTemporaryFile temporary;
  temporary.setAutoRemove(false);
  for (auto _ : state) {
    settings.setValue(QStringLiteral("Bench/probe"), 1);
    settings.sync();
  }
  if (temporary.open()) temporary.write("probe");
  std::fprintf(stderr, "settings %s\ntemporary %s\n", qPrintable(settings.fileName()),
               qPrintable(temporary.fileName()));
}

BENCHMARK(BM_WritesSettings)->Iterations(1);

}  // namespace
