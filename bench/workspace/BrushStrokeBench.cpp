// Brush strokes on a 12-megapixel photo at the resolution the document chooses, in a 1920 × 1080
// view at 100 %: a 100-pixel stroke from the mouse release to its statuses repainted on screen
// (against 100 ms), the engine's part of it alone (against 50 ms), and one drag move's repaint
// in the middle of such a stroke (against 16 ms). Delete is painted over Keep, which brings the
// clean-up that follows such a stroke; Blend over Keep has none.

#include <benchmark/benchmark.h>

#include <chrono>

#include <QMouseEvent>

#include "BenchTeardown.h"
#include "CanvasScene.h"
#include "document/Brushing.h"
#include "document/CvCmdSelect.h"
#include "document/CvCmdUndo.h"
#include "document/DocumentUiHooks.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/DeleteExactTool.h"

namespace {

using canvas_scene::PaintCounter;
using canvas_scene::Scene;
using Clock = std::chrono::steady_clock;

constexpr int kBrushSize = 32;      // working pixels: 128 screen pixels at 100 %
constexpr int kStrokeLength = 100;  // image pixels
const QPoint kStart(1400, 1200);    // in the kept centre of the scene

Scene& scene() {
  static Scene* built = nullptr;
  if (!built) {
    built = new Scene(4000, 3000, QSize(1920, 1080));
    // The strokes work in the image's settings, as a press outside the active patch has them.
    built->document.model->setActiveRegion(nullptr);
    built->view->zoomToSlot(1.0);
    built->view->centreViewportOnSlot(kStart + QPoint(kStrokeLength / 2, 0));
    // The pen width comes from the hooks, the outline from the brush page: both the same.
    documentUiHooks().setBrushSize(kBrushSize);
    BrushingTool::setBrushSize(kBrushSize);
    QApplication::processEvents();
    atBenchTeardown([] {
      delete built;
      built = nullptr;
    });
  }
  return *built;
}

void send(QWidget* canvas, QEvent::Type type, const QPoint& imagePoint) {
  Scene& s = scene();
  const QPoint at = s.canvas()->imageRect().topLeft() + imagePoint;  // 100 %: one to one
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, canvas->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(canvas, &event);
}

// The status shown in the middle of the stroke, at working resolution.
int statusOnStroke(const Scene& s) {
  const QPointF middle =
      s.document.model->toWorking(QPointF(kStart + QPoint(kStrokeLength / 2, 0)));
  return s.document.model->statusArray()->displayImage().pixelIndex(middle.toPoint()) & 15;
}

// Serves events until the command thread is idle.
void finishCommands(CorvaneThread* thread) {
  while (thread->isBusy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QApplication::processEvents();
}

void undo(Scene& s) {
  s.document.thread->submit(new CvCmdUndo(s.document.model));
  finishCommands(s.document.thread.get());
}

SelectTool* brushFor(Scene& s, int status) {
  return status == CvStatusDelete ? static_cast<SelectTool*>(s.tools->deleteExactTool())
                                  : static_cast<SelectTool*>(s.tools->complexExactTool());
}

// From the release to the statuses on screen: the command through the engine thread, the status
// copy, and the repaint of the stroke's area.
void BM_StrokeReleaseToRepaint(benchmark::State& state) {
  Scene& s = scene();
  GmZoomWidget* canvas = s.canvas();
  CorvaneThread* thread = s.document.thread.get();
  brushFor(s, int(state.range(0)))->installSlot();
  PaintCounter counter(canvas);
  int missedRepaints = 0, painted = 0;
  for (auto _ : state) {
    state.PauseTiming();
    send(canvas, QEvent::MouseButtonPress, kStart);
    for (int x = 1; x <= kStrokeLength; ++x) send(canvas, QEvent::MouseMove, kStart + QPoint(x, 0));
    QApplication::processEvents();
    const int paintsBefore = counter.paints;
    state.ResumeTiming();
    send(canvas, QEvent::MouseButtonRelease, kStart + QPoint(kStrokeLength, 0));
    finishCommands(thread);
    state.PauseTiming();
    missedRepaints += counter.paints == paintsBefore;
    painted += statusOnStroke(s) == state.range(0);
    undo(s);
    state.ResumeTiming();
  }
  state.counters["missed_repaints"] = missedRepaints;
  state.counters["strokes_in"] = double(painted) / state.iterations();
}

// The engine's part alone: from the worker's start to the command's finishing step.
void BM_StrokeEngine(benchmark::State& state) {
  Scene& s = scene();
  CorvaneThread* thread = s.document.thread.get();
  Clock::time_point started, finished;
  QObject context;
  QObject::connect(thread, &CorvaneThread::commandStarted, &context,
                   [&](CorvaneCommand*) { started = Clock::now(); });
  QObject::connect(thread, &CorvaneThread::commandFinished, &context,
                   [&](CorvaneCommand*) { finished = Clock::now(); });
  int changed = 0;
  for (auto _ : state) {
    auto* stroke = new Brushing(Qt::red);
    stroke->beginStroke(kStart);
    for (int x = 1; x <= kStrokeLength; ++x) stroke->continueStroke(kStart + QPoint(x, 0));
    thread->submit(new CvCmdSelect(s.document.model, stroke, CvStatusClassMask, int(state.range(0)),
                                   false, false));
    finishCommands(thread);
    state.SetIterationTime(std::chrono::duration<double>(finished - started).count());
    changed += statusOnStroke(s) == state.range(0);
    undo(s);
  }
  state.counters["strokes_in"] = double(changed) / state.iterations();
}

// One move of a stroke in progress: the segment into the stroke image and the repaint of what
// changed on screen, the brush outline included.
void BM_DragMoveRepaint(benchmark::State& state) {
  Scene& s = scene();
  GmZoomWidget* canvas = s.canvas();
  SelectTool* brush = brushFor(s, CvStatusDelete);
  brush->installSlot();
  PaintCounter counter(canvas);
  int x = kStrokeLength;
  for (auto _ : state) {
    if (x == kStrokeLength) {
      state.PauseTiming();
      if (brush->stroke()) brush->escapePressed();
      send(canvas, QEvent::MouseButtonPress, kStart);
      QApplication::processEvents();
      x = 0;
      state.ResumeTiming();
    }
    send(canvas, QEvent::MouseMove, kStart + QPoint(++x, 0));
    QApplication::processEvents();
  }
  if (brush->stroke()) brush->escapePressed();
  send(canvas, QEvent::MouseButtonRelease, kStart);
  QApplication::processEvents();
  state.counters["paints_per_iteration"] = double(counter.paints) / state.iterations();
}

BENCHMARK(BM_StrokeReleaseToRepaint)
    ->Arg(CvStatusDelete)
    ->Arg(CvStatusBlend)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokeEngine)
    ->Arg(CvStatusDelete)
    ->Arg(CvStatusBlend)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragMoveRepaint)->Unit(benchmark::kMillisecond);

}  // namespace
