// Repaints of the cut-out canvas over a 12-megapixel photo with statuses and three patches, in
// a 1920 × 1080 view: the whole viewport at fit, 100 % and 400 % (against 16 ms), what one
// pointer move repaints for a 400-pixel brush's outline (against 4 ms), and a brush stroke from
// its submission to the canvas repainted.

#include <benchmark/benchmark.h>

#include <chrono>

#include <QMouseEvent>
#include <QSpinBox>

#include "BenchTeardown.h"
#include "CanvasScene.h"
#include "document/Brushing.h"
#include "document/CvCmdSelect.h"
#include "document/CvCmdUndo.h"
#include "workspace/GmTool.h"
#include "workspace/ToolOptions.h"

namespace {

using canvas_scene::PaintCounter;
using canvas_scene::Scene;

Scene& scene() {
  static Scene* built = nullptr;
  if (!built) {
    built = new Scene(4000, 3000, QSize(1920, 1080));
    atBenchTeardown([] {
      delete built;
      built = nullptr;
    });
  }
  return *built;
}

// A brush the canvas draws the outline of.
class OutlineBrush : public GmTool {
 public:
  OutlineBrush() : GmTool("Bench Brush", "Bench Brush", QIcon(), QString(), QString()) {}
  QCursor cursor() const override { return QCursor(Qt::BlankCursor); }
  bool isBrushTool() const override { return true; }
  QColor cursorColour() const override { return Qt::red; }
  void activate(GmTool*) override {}
  void deactivate(GmTool*) override {}
};

// zoom 0: fit the viewport.
void zoomTo(Scene& s, double zoom) {
  if (zoom > 0) {
    s.view->zoomToSlot(zoom);
    s.view->centreViewportOnSlot(QPoint(2000, 1500));
  } else {
    s.view->fitImageOnScreenSlot();
  }
  QApplication::processEvents();
}

void BM_FullRepaint(benchmark::State& state) {
  Scene& s = scene();
  zoomTo(s, state.range(0) / 100.0);
  state.counters["viewport_w"] = s.viewport()->width();
  state.counters["viewport_h"] = s.viewport()->height();
  PaintCounter counter(s.canvas());
  for (auto _ : state) {
    s.canvas()->update();
    QApplication::processEvents();
  }
  state.counters["paints_per_iteration"] = double(counter.paints) / state.iterations();
}

void BM_OutlineMove(benchmark::State& state) {
  Scene& s = scene();
  zoomTo(s, state.range(0) / 100.0);
  QSpinBox size;
  size.setRange(1, 400);
  size.setValue(400);
  ToolOptions::setBrushSizeBox(&size);
  OutlineBrush brush;
  brush.selectToolSlot();
  QWidget* canvas = s.canvas();
  const QPoint centre = canvas->mapFrom(s.viewport(), s.viewport()->rect().center());
  int step = 0;
  auto moveTo = [&](const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
  };
  moveTo(centre);
  QApplication::processEvents();
  PaintCounter counter(canvas);
  for (auto _ : state) {
    step = (step + 1) % 16;
    moveTo(centre + QPoint(3 * step, 2 * step));
    QApplication::processEvents();
  }
  state.counters["paints_per_iteration"] = double(counter.paints) / state.iterations();
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(canvas, &leave);
  ToolOptions::setBrushSizeBox(nullptr);
}

// A stroke of delete some 600 photo pixels long without its clean-up (the engine's part stays
// small), from its submission to the end of the canvas's repaint; undone after each.
void BM_StrokeRepaint(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  Scene& s = scene();
  zoomTo(s, state.range(0) / 100.0);
  GmModel* model = s.document.model;
  CorvaneThread* thread = s.document.thread.get();
  PaintCounter counter(s.canvas());
  for (auto _ : state) {
    auto* stroke = new Brushing(Qt::red);
    stroke->beginStroke(QPointF(700, 900));
    for (int i = 1; i <= 30; ++i) stroke->continueStroke(QPointF(700 + 20 * i, 900 + 8 * i));
    QApplication::processEvents();  // the stroke's own repaints are not timed
    const int paints = counter.paints;
    const auto start = Clock::now();
    thread->submit(new CvCmdSelect(model, stroke, CvStatusClassMask, CvStatusDelete, false, true));
    waitIdle(thread);
    for (int i = 0; i < 100 && counter.paints == paints; ++i) QApplication::processEvents();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (counter.paints == paints) state.SkipWithError("no repaint");
    thread->submit(new CvCmdUndo(model));
    waitIdle(thread);
    QApplication::processEvents();
  }
}

BENCHMARK(BM_FullRepaint)->Arg(0)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutlineMove)->Arg(0)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokeRepaint)
    ->Arg(0)
    ->Arg(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
