// The composition canvas: one repaint of a 1920 x 1080 viewport over a 1600 x 1600 canvas with a
// background and four rotated cut-out instances, at three zooms, and one flattening of those
// instances into the cut-out layer. Targets: a repaint under 16 ms, a flattening under 50 ms.

#include <benchmark/benchmark.h>

#include <memory>

#include <QApplication>
#include <QScrollBar>

#include "CanvasScene.h"
#include "BenchTeardown.h"

namespace {

canvas_scene::CompositionScene& scene() {
  static canvas_scene::CompositionScene* instance = [] {
    auto* made = new canvas_scene::CompositionScene(1600, QSize(1200, 900));
    atBenchTeardown([made] { delete made; });
    ZarvoWidget* view = made->view.get();
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->resize(1920, 1080);
    view->show();
    QApplication::processEvents();
    return made;
  }();
  return *instance;
}

void BM_CanvasRepaint(benchmark::State& state) {
  ZarvoWidget* view = scene().view.get();
  const double zoom = state.range(0) / 100.0;
  view->setSceneRect(QRectF(-2000, -2000, 5600, 5600));
  view->zoomToSlot(zoom, QPointF(800, 820));
  // The first paint at a zoom builds the instances' display copies.
  view->viewport()->repaint();
  for (auto _ : state) view->viewport()->repaint();
  state.SetLabel(QStringLiteral("zoom %1").arg(zoom).toStdString());
}
BENCHMARK(BM_CanvasRepaint)->Arg(50)->Arg(100)->Arg(250)->Unit(benchmark::kMillisecond);

void BM_RegenerateLayer(benchmark::State& state) {
  CutoutController* cutouts = scene().view->cutoutController();
  for (auto _ : state) cutouts->regenerateLayer();
}
BENCHMARK(BM_RegenerateLayer)->Unit(benchmark::kMillisecond);

}  // namespace
