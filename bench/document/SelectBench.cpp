// One brush stroke on an analysed session of a 12-megapixel photo at resolution 1: the
// engine's part (execute) and the whole road from submit to the end of the finishing step
// (status array refreshed, statusChanged emitted), against the canvas's 100-ms stroke.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>

#include <QEventLoop>
#include <QImage>
#include <QLoggingCategory>
#include <QUrl>

#include "../support/BenchTeardown.h"
#include "document/Brushing.h"
#include "document/CorvaneThread.h"
#include "document/AutoCut.h"
#include "document/CvCmdSelect.h"
#include "document/CvCmdUndo.h"
#include "document/DocumentUiHooks.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;   // 12 megapixels
constexpr int kBrushSize = 40;  // working pixels

// A lit orange disc on a woven blue-green ground with noise, the subject of the cut-out.
QImage subjectOnGround() {
  QImage photo(kWidth, kHeight, QImage::Format_RGB32);
  const double cx = kWidth * 0.5, cy = kHeight * 0.52, radius = kHeight * 0.33;
  std::mt19937 rng(7);
  for (int y = 0; y < kHeight; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const double d = std::hypot(x - cx, y - cy);
      const double weave = 12.0 * std::sin(x * 0.05) * std::sin(y * 0.045);
      const double a = std::clamp((radius - d) / 10.0 + 0.5, 0.0, 1.0);
      const double shade = 0.65 + 0.35 * std::max(0.0, ((cx - x) + (cy - y)) / (2.0 * radius));
      const int noise = int(rng() % 13) - 6;
      auto mix = [&](double f, double b) {
        return std::clamp(int(a * f + (1 - a) * b) + noise, 0, 255);
      };
      line[x] = qRgb(mix(235 * shade, 40 + 30.0 * y / kHeight + weave),
                     mix(120 * shade, 90 + 60.0 * x / kWidth + weave),
                     mix(40 * shade, 150 + 50.0 * (1.0 - double(y) / kHeight)));
    }
  }
  return photo;
}

void waitIdle(CorvaneThread* thread) {
  while (thread->isBusy()) {
    QEventLoop loop;
    QObject::connect(thread, &CorvaneThread::queueEmptied, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

// The document with its session opened and analysed, kept for every benchmark of the run.
struct AnalysedSession {
  AnalysedSession() {
    QLoggingCategory::setFilterRules(
        QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    documentUiHooks().setBrushSize(kBrushSize);
    thread = std::make_unique<CorvaneThread>();
    model = GmModel::instance();
    // At full resolution, which a new image of this size would not get; the session's
    // defaults become the values in use, as for a new image.
    model->setResolution(1);
    model->setSourceImage(
        new TsSourceImage(
            NamedImage(subjectOnGround(), QUrl(QStringLiteral("file:///bench/photo.png")))),
        nullptr, GmSession::KeepSettings);
    waitIdle(thread.get());
    // The strokes are timed alone, without the cut-outs the document would start after each.
    QObject::disconnect(model->statusArray(), &GmStatusArray::statusChanged, model->autoCut(),
                        &AutoCut::cutoutNeededSlot);
    model->segmentation()->values().resetToDefaults();
    model->segmentation()->findEdges();
    waitIdle(thread.get());
  }
  ~AnalysedSession() {
    GmModel::destroyInstance();
    waitIdle(thread.get());
    thread.reset();
  }

  // A stroke of delete over the kept ground and into the disc, some 600 pixels long: about what
  // a hand draws in 100 ms.
  CvCmdSelect* stroke(bool local, bool extra = false) const {
    auto* brushing = new Brushing(Qt::red);
    brushing->beginStroke(QPointF(700, 900));
    for (int i = 1; i <= 30; ++i) brushing->continueStroke(QPointF(700 + 20 * i, 900 + 8 * i));
    return new CvCmdSelect(model, brushing, CvStatusClassMask, CvStatusDelete, local, extra);
  }
  // Back to the statuses before the stroke.
  void undo() {
    thread->submit(new CvCmdUndo(model));
    waitIdle(thread.get());
  }

  std::unique_ptr<CorvaneThread> thread;
  GmModel* model = nullptr;
};

// Opened on first use and closed by the main while the application still runs.
AnalysedSession& session() {
  static AnalysedSession* opened = nullptr;
  if (!opened) {
    opened = new AnalysedSession;
    atBenchTeardown([] {
      delete opened;
      opened = nullptr;
    });
  }
  return *opened;
}

// The engine's part alone: execute on this thread, after prepare, before finish.
void strokeExecute(benchmark::State& state, bool local, bool extra = false) {
  AnalysedSession& s = session();
  if (!s.model->segmentation()->hasAnalysis()) {
    state.SkipWithError("the analysis failed");
    return;
  }
  for (auto _ : state) {
    std::unique_ptr<CvCmdSelect> command(s.stroke(local, extra));
    if (!command->prepare()) {
      state.SkipWithError("the stroke declined");
      break;
    }
    const auto start = std::chrono::steady_clock::now();
    command->execute();
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (command->result() != CvOk) state.SkipWithError("the engine refused the stroke");
    command->finish();
    command.reset();
    s.undo();
  }
}

// Submit to the end of the finishing step.
void strokeSubmitToFinished(benchmark::State& state, bool local) {
  AnalysedSession& s = session();
  int refreshed = 0;
  QObject guard;  // the connection ends with this function
  QObject::connect(s.model->statusArray(), &GmStatusArray::statusChanged, &guard,
                   [&] { ++refreshed; });
  for (auto _ : state) {
    CvCmdSelect* command = s.stroke(local);
    const int before = refreshed;
    const auto start = std::chrono::steady_clock::now();
    s.thread->submit(command);
    waitIdle(s.thread.get());
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (refreshed == before) state.SkipWithError("no statusChanged");
    s.undo();
  }
}

void BM_PixelStrokeExecute(benchmark::State& state) {
  strokeExecute(state, false);
}
void BM_PixelStrokeSubmitToFinished(benchmark::State& state) {
  strokeSubmitToFinished(state, false);
}
void BM_RegionStrokeExecute(benchmark::State& state) {
  strokeExecute(state, true);
}
void BM_RegionStrokeOnlyExecute(benchmark::State& state) {
  strokeExecute(state, true, true);
}
void BM_RegionStrokeSubmitToFinished(benchmark::State& state) {
  strokeSubmitToFinished(state, true);
}

BENCHMARK(BM_PixelStrokeExecute)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PixelStrokeSubmitToFinished)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_RegionStrokeExecute)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RegionStrokeOnlyExecute)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_RegionStrokeSubmitToFinished)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
