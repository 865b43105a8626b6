// One brush stroke on an analysed session of a 12-megapixel photo at resolution 1: the
// engine's part (execute) and the whole road from submit to the end of the finishing step
// (status array refreshed, statusChanged emitted), against the canvas's 100-ms stroke.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include <QUrl>

#include "BenchTeardown.h"
#include "DocumentBenchSupport.h"
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

// The document with its session opened and analysed, kept for every benchmark of the run.
struct AnalysedSession {
  AnalysedSession() {
    quietLog();
    documentUiHooks().setBrushSize(kBrushSize);
    thread = std::make_unique<CorvaneThread>();
    model = GmModel::instance();
    // At full resolution, which a new image of this size would not get; the session's
    // defaults become the values in use, as for a new image.
    model->setResolution(1);
    model->setSourceImage(
        new TsSourceImage(NamedImage(subjectOnGround(kWidth, kHeight),
                                     QUrl(QStringLiteral("file:///bench/photo.png")))),
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
