// The colour workspace over a 12-megapixel photo at the resolution the document chooses, the
// whole image highlighted (no active patch), in a 1920 × 1080 view fitted to the photo:
// - a pick on the photo until the highlight image is complete and the canvas has repainted
//   (against 100 ms), on a plane of hue by lightness and on a strip of hue;
// - the GUI part of a reassignment: highlight to mask, stroke built, command submitted and
//   prepared (against 50 ms); the engine's part runs on its own thread and is not counted.

#include <benchmark/benchmark.h>

#include <QMouseEvent>

#include "BenchTeardown.h"
#include "CanvasScene.h"
#include "workspace/ColourDisplay.h"
#include "workspace/ColourWorkspaceSelectTool.h"

namespace {

using canvas_scene::PaintCounter;
using canvas_scene::Scene;

struct Workspace {
  Workspace() : scene(4000, 3000, QSize(1920, 1080)), canvasPaints(scene.canvas()) {
    // The whole image is highlighted, the most a pick can cost.
    scene.document.model->setActiveRegion(nullptr);
    colours = std::make_unique<ColourWorkspace>();
    scene.host.colourWorkspace = colours.get();
    colours->display()->setColourBits(5);
    colours->selectTool()->installSlot();
    scene.view->fitImageOnScreenSlot();
    QApplication::processEvents();
  }
  ~Workspace() { scene.host.colourWorkspace = nullptr; }

  // A plain pick at an image point, as the canvas hands a press to the tool.
  void pick(const QPointF& point) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    colours->selectTool()->mousePressEvent(&press, point);
  }
  // Until the run has written every pixel and the canvas has repainted for it.
  void waitForHighlight() {
    GmStatusArray* statuses = scene.document.model->statusArray();
    statuses->oneChannelThread().wait();
    statuses->twoChannelThread().wait();
    const int before = canvasPaints.paints;
    for (int i = 0; i < 200 && canvasPaints.paints == before; ++i)
      QApplication::processEvents(QEventLoop::AllEvents, 5);
  }

  Scene scene;
  PaintCounter canvasPaints;
  std::unique_ptr<ColourWorkspace> colours;
};

Workspace& workspace() {
  static Workspace* built = nullptr;
  if (!built) {
    built = new Workspace;
    atBenchTeardown([] {
      delete built;
      built = nullptr;
    });
  }
  return *built;
}

// Points on the orange disc and on the blue-green ground, picked in turn.
const QPointF kPicks[] = {QPointF(1700, 1300), QPointF(300, 2600), QPointF(2300, 1800),
                          QPointF(3700, 400)};

void BM_PickUntilRepainted(benchmark::State& state) {
  Workspace& w = workspace();
  w.colours->display()->setMode(int(state.range(0)));
  const int paints = w.canvasPaints.paints;
  size_t next = 0;
  for (auto _ : state) {
    w.pick(kPicks[next++ % 4]);
    w.waitForHighlight();
  }
  const QSize working = w.scene.document.model->workingRect().size();
  state.counters["working_megapixels"] = working.width() * double(working.height()) / 1e6;
  state.counters["resolution"] = w.scene.document.model->resolution();
  state.counters["canvas_paints_per_pick"] =
      double(w.canvasPaints.paints - paints) / state.iterations();
}

void BM_ReassignGuiPart(benchmark::State& state) {
  Workspace& w = workspace();
  w.colours->display()->setMode(ColourDisplay::TwoChannels);
  CorvaneThread* thread = w.scene.document.thread.get();
  const int commands = thread->commandCount();
  size_t next = 0;
  for (auto _ : state) {
    state.PauseTiming();
    waitIdle(thread);
    w.pick(kPicks[next++ % 4]);
    w.waitForHighlight();
    state.ResumeTiming();
    w.colours->goTo(CvStatusDelete);
  }
  waitIdle(thread);
  state.counters["commands_per_iteration"] =
      double(thread->commandCount() - commands) / state.iterations();
}

BENCHMARK(BM_PickUntilRepainted)
    ->Arg(ColourDisplay::TwoChannels)
    ->Arg(ColourDisplay::OneChannel)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);
BENCHMARK(BM_ReassignGuiPart)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(12);

}  // namespace
