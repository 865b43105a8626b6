// The effect tools' computations: the flat shadow mask from its summed-area table, the standing
// shadow with its blur (a whole worker run), a shadow's recolouring, one highlight dab from
// addPoint to the preview, and how soon the shadow worker, the sharpener and the highlighter
// stop.

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

#include <QCoreApplication>

#include "BenchTeardown.h"
#include "composition/HighlightBrushTool.h"
#include "composition/Highlighter.h"
#include "composition/Shadow.h"
#include "composition/Sharpener.h"
#include "composition/ZarvoObject.h"
#include "document/GmModel.h"
#include "kestrum/qt/RowBands.h"
#include "support/BenchImages.h"
#include "support/StopTiming.h"

namespace {

// A cut-out of `side` x `side`: a photo inside a soft-edged ellipse.
const QImage& cutout(int side) {
  static std::map<int, QImage> made;
  QImage& image = made[side];
  if (image.isNull()) image = benchPhoto(side, side, 3, true);
  return image;
}

const QImage& cutout12MP() {
  static const QImage image = benchPhoto(4000, 3000, 4, true);
  return image;
}

const ShadowStop kNeverStop = [] { return false; };

// Second argument: worker threads (0 = one per processor).
void BM_FlatShadowMask(benchmark::State& state) {
  kestrum::setRowBandThreadsOverride(unsigned(state.range(2)));
  const QImage& source = state.range(0) == 12 ? cutout12MP() : cutout(int(state.range(0)));
  const ShadowKernel kernel = ShadowKernel::pyramid(int(state.range(1)));
  for (auto _ : state) {
    QImage mask;
    flatShadowMask(source, kernel, kNeverStop, &mask);
    benchmark::DoNotOptimize(mask.constBits());
  }
  kestrum::setRowBandThreadsOverride(0);
  state.SetItemsProcessed(state.iterations() * source.width() * source.height());
}
BENCHMARK(BM_FlatShadowMask)
    ->Args({1000, 5, 0})
    ->Args({1000, 5, 1})
    ->Args({1000, 1, 0})
    ->Args({12, 5, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A whole start of the worker: projection, its blur on a child thread, the flip.
void BM_StandingShadow(benchmark::State& state) {
  const QImage& source = state.range(0) == 12 ? cutout12MP() : cutout(int(state.range(0)));
  Shadow shadow;
  shadow.setShadowType(Shadow::Standing);
  shadow.setFuzziness(int(state.range(1)));
  for (auto _ : state) {
    shadow.setImage(source);
    shadow.worker().wait();
  }
  QCoreApplication::processEvents();
  state.SetItemsProcessed(state.iterations() * source.width() * source.height());
}
BENCHMARK(BM_StandingShadow)
    ->Args({1000, 3})
    ->Args({1000, 5})
    ->Args({12, 3})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An intensity change of a computed flat shadow: only the colouring, in the GUI thread.
void BM_ShadowRecolour(benchmark::State& state) {
  const QImage& source = state.range(0) == 12 ? cutout12MP() : cutout(int(state.range(0)));
  Shadow shadow;
  shadow.setShadowType(Shadow::Flat);
  shadow.setImage(source);
  shadow.worker().wait();
  QCoreApplication::processEvents();  // the mask arrives
  int step = 0;
  for (auto _ : state) shadow.setIntensity(0.2 + 0.01 * (++step % 50));
  state.SetItemsProcessed(state.iterations() * source.width() * source.height());
}
BENCHMARK(BM_ShadowRecolour)->Arg(1000)->Arg(12)->Unit(benchmark::kMillisecond);

// addPoint to imageHighlighted for one dab of the largest size on a cut-out whose fully highlit
// copy has arrived, with earlier dabs on it.
void BM_HighlightDab(benchmark::State& state) {
  static HighlightBrushTool* tool = nullptr;
  if (!tool) {
    tool = new HighlightBrushTool(nullptr);
    atBenchTeardown([] {
      delete tool;
      ZarvoObject::destroyInstance();
      GmModel::destroyInstance();
    });
  }
  const int side = int(state.range(0));
  tool->generatedImageChanged(cutout(side), QPoint(0, 0));
  while (tool->highlightState() != 2) QCoreApplication::processEvents();
  tool->sizeSlider()->setValue(25);
  int delivered = 0;
  const QMetaObject::Connection counting =
      QObject::connect(tool, &HighlightBrushTool::imageHighlighted, [&] { ++delivered; });
  int i = 0;
  for (auto _ : state) {
    tool->addPoint(QPointF(side * 0.3 + (i * 37) % (side / 3), side * 0.4 + (i * 53) % (side / 3)));
    ++i;
  }
  QObject::disconnect(counting);
  if (delivered != i) state.SkipWithError("a dab did not reach the preview");
  // The hub's rebuilds that the dabs asked for are not part of this.
  ZarvoObject::instance()->reset();
}
BENCHMARK(BM_HighlightDab)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_AbortLatencyShadow(benchmark::State& state) {
  static Shadow* shadow = nullptr;
  if (!shadow) {
    shadow = new Shadow;
    atBenchTeardown([] { delete shadow; });
  }
  shadow->setShadowType(int(state.range(0)));
  shadow->setFuzziness(5);
  measureStop(
      state,
      [] {
        shadow->setImage(cutout12MP());
        return [] {
          shadow->cancel();
          shadow->worker().wait();
        };
      },
      std::chrono::milliseconds(30));
  QCoreApplication::processEvents();
}
BENCHMARK(BM_AbortLatencyShadow)
    ->Arg(Shadow::Flat)
    ->Arg(Shadow::Standing)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Deleting the effect's worker object, which aborts and joins its processor.
template <class Worker, class... Args>
void measureDelete(benchmark::State& state, Args... args) {
  measureStop(
      state,
      [=] {
        auto* worker = new Worker(cutout12MP(), nullptr, args...);
        return [worker] { delete worker; };
      },
      std::chrono::milliseconds(15));
}

void BM_AbortLatencySharpener(benchmark::State& state) {
  measureDelete<Sharpener>(state, 5.0f);
}
BENCHMARK(BM_AbortLatencySharpener)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_AbortLatencyHighlighter(benchmark::State& state) {
  measureDelete<Highlighter>(state);
}
BENCHMARK(BM_AbortLatencyHighlighter)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
