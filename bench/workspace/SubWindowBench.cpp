// The navigator and the cut-out viewer over a 12-megapixel photo and its cut-out: one navigator
// repaint while its frame is dragged (against 8 ms) and one viewer repaint of the cut-out into
// an 800-pixel square (against 16 ms). The "Rescale" figures are what a new size (or a new
// cut-out) costs once, when the picture is scaled to it; later repaints only draw it.

#include <benchmark/benchmark.h>

#include "BenchTeardown.h"
#include "CanvasScene.h"
#include "workspace/Navigator.h"
#include "workspace/ProgressView.h"
#include "workspace/ProgressWindow.h"

namespace {

using canvas_scene::PaintCounter;

struct Views {
  Views() : document(subjectOnGround(4000, 3000)) {
    viewer = std::make_unique<ProgressWindow>();
    cutout = std::make_unique<ProgressView>(viewer.get());
    document.announce();
    // The cut-out as the document announces it: the blend image's display pixmap.
    document.model->signalDirtyOutputImageSlot();
    cutout->resize(800, 800);
    cutout->show();
    canvas_scene::waitExposed(cutout.get());
    navigator = std::make_unique<Navigator>();
    navigator->resize(260, 195);
    navigator->show();
    canvas_scene::waitExposed(navigator.get());
    navigator->updateImage();
    QApplication::processEvents();
  }

  canvas_scene::DocumentScene document;
  std::unique_ptr<ProgressWindow> viewer;
  std::unique_ptr<ProgressView> cutout;
  std::unique_ptr<Navigator> navigator;
};

Views& views() {
  static Views* built = nullptr;
  if (!built) {
    built = new Views;
    atBenchTeardown([] {
      delete built;
      built = nullptr;
    });
  }
  return *built;
}

void BM_NavigatorDragRepaint(benchmark::State& state) {
  Views& v = views();
  PaintCounter counter(v.navigator.get());
  int step = 0;
  for (auto _ : state) {
    step = (step + 1) % 64;
    v.navigator->setRect(QRectF(500 + 20 * step, 400 + 10 * step, 1600, 1200));
    QApplication::processEvents();
  }
  state.counters["paints_per_iteration"] = double(counter.paints) / state.iterations();
}

void BM_NavigatorRescale(benchmark::State& state) {
  Views& v = views();
  PaintCounter counter(v.navigator.get());
  int step = 0;
  for (auto _ : state) {
    step ^= 1;
    v.navigator->resize(260 + 4 * step, 195 + 3 * step);
    v.navigator->repaint();
  }
  state.counters["paints_per_iteration"] = double(counter.paints) / state.iterations();
}

void BM_ViewerRepaint(benchmark::State& state) {
  Views& v = views();
  PaintCounter counter(v.cutout.get());
  for (auto _ : state) {
    v.cutout->update();
    QApplication::processEvents();
  }
  state.counters["paints_per_iteration"] = double(counter.paints) / state.iterations();
  state.counters["drawn_w"] = v.cutout->cutoutRect().width();
  state.counters["drawn_h"] = v.cutout->cutoutRect().height();
}

void BM_ViewerRescale(benchmark::State& state) {
  Views& v = views();
  PaintCounter counter(v.cutout.get());
  int step = 0;
  for (auto _ : state) {
    step ^= 1;
    v.cutout->resize(800 - step, 800 - step);
    v.cutout->repaint();
  }
  v.cutout->resize(800, 800);
  state.counters["paints_per_iteration"] = double(counter.paints) / state.iterations();
}

BENCHMARK(BM_NavigatorDragRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NavigatorRescale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewerRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewerRescale)->Unit(benchmark::kMillisecond);

}  // namespace
