// zarvo-cutout: the test host's whole cut-out ("cutout" script: the analysis, a Keep and a
// Delete stroke with real mouse events, the mask, the pictures, the project saved and read
// back, the composition's tabs, the final picture exported, the close) on the 12-megapixel
// sample that corvane-sample draws, from spawning until the exit, in a sandbox of its own.
// Counters: the script's peak resident size and its own timings (summary.json; rebuildMs is the
// final picture's last rebuild after the hub's 500 ms wait). Aimed at: under 2 GB resident, a
// rebuild under 500 ms.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "ChildRuns.h"

namespace {

void ZarvoCutout(benchmark::State& state) {
  const BenchSandbox sandbox = makeBenchSandbox("zarvo-cutout");
  const std::string photo = drawSampleInSandbox(sandbox, CORVANE_SAMPLE, state);
  if (photo.empty()) {
    removeBenchSandbox(sandbox);
    return;
  }
  const std::string out = sandbox.root + "/out";
  QJsonObject summary;
  for (auto _ : state) {
    if (runInSandbox(sandbox, {ZARVO_TESTHOST, "cutout", out, photo}) != 0) {
      state.SkipWithError("the cut-out script did not end normally");
      break;
    }
    QFile file(QString::fromStdString(out + "/summary.json"));
    if (file.open(QIODevice::ReadOnly)) summary = QJsonDocument::fromJson(file.readAll()).object();
  }
  state.counters["peak_resident_MB"] = summary.value("peakResidentKB").toDouble() / 1024.0;
  const QJsonObject timings = summary.value("timings").toObject();
  for (const QString& key : timings.keys())
    state.counters[key.toStdString()] = timings.value(key).toDouble();
  removeBenchSandbox(sandbox);
}

}  // namespace

BENCHMARK(ZarvoCutout)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_MAIN();
