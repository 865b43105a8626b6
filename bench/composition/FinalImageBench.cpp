// The final picture: a whole rebuild from the hub's timer to its delivery, the JPEG budget
// search over a seeded corpus, and how soon every processor stops after abort().

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>
#include <QPainter>

#include "composition/ProcessorFinalImage.h"
#include "composition/ZarvoObject.h"
#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/ProcessorHLSAdjust.h"
#include "kestrum/qt/ProcessorJPEG.h"
#include "kestrum/qt/ProcessorSharpen.h"
#include "support/BenchImages.h"
#include "support/StopTiming.h"

namespace {

// A soft dark ellipse: the kind of layer the shadow tool hands over.
QImage shadowLayer(int width, int height) {
  QImage shadow(width, height, QImage::Format_ARGB32);
  shadow.fill(Qt::transparent);
  QPainter painter(&shadow);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 110));
  painter.drawEllipse(QRectF(0, height * 0.3, width, height * 0.4));
  return shadow;
}

// The hub's layers for a canvas of side n: background, shadow, a cut-out of 60 % of the canvas
// with 50 dabs, sharpen 3, compress 3, 500 KB.
LayerSet heavyLayers(int n) {
  LayerSet layers;
  layers.canvasRect = QRect(0, 0, n, n);
  layers.background = benchPhoto(n, n, 1);
  layers.shadow = shadowLayer(n * 7 / 10, n / 4);
  layers.shadowPos = QPoint(n / 6, n * 6 / 10);
  layers.cutout = benchPhoto(n * 6 / 10, n * 6 / 10, 2, true);
  layers.cutoutPos = QPoint(n / 5, n / 5);
  QImage bright = layers.cutout;
  bright.fill(qRgba(255, 250, 240, 255));
  layers.fullyHighlitCutout = bright;
  for (int i = 0; i < 50; ++i)
    layers.highlightPoints << HighlightPoint{
        QPointF((i * 37) % layers.cutout.width(), (i * 53) % layers.cutout.height()), 25, 60};
  layers.sharpenValue = 3;
  layers.compressBackground = 3;
  layers.maxFileSizeKB = 500;
  return layers;
}

void feed(ZarvoObject* hub, const LayerSet& layers) {
  hub->setCanvasRect(layers.canvasRect);
  hub->backgroundChanged(QPixmap::fromImage(layers.background));
  hub->shadowUpdated(QPixmap::fromImage(layers.shadow), layers.shadowPos);
  hub->cutoutChangedSlot(layers.cutout, layers.cutoutPos);
  hub->fullyHighlitImageChanged(layers.fullyHighlitCutout);
  hub->highlightPointsChanged(layers.highlightPoints);
  hub->setSharpenValue(layers.sharpenValue);
  hub->setCompressBackground(layers.compressBackground);
  hub->setMaxFileSize(layers.maxFileSizeKB);
}

// From the rebuild timer's start (delay 0) to updateImage in the GUI thread.
void BM_RebuildTimerToDelivery(benchmark::State& state) {
  const int n = int(state.range(0));
  ZarvoObject* hub = ZarvoObject::instance();
  hub->setRebuildDelayForTesting(0);
  feed(hub, heavyLayers(n));
  int delivered = 0;
  QObject::connect(hub, &ZarvoObject::updateImage, [&] { ++delivered; });
  for (auto _ : state) {
    const int before = delivered;
    hub->reprocessFinalImage();
    while (delivered == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  state.counters["bytes"] = double(hub->finalImageBytes().size());
  ZarvoObject::destroyInstance();
}
BENCHMARK(BM_RebuildTimerToDelivery)
    ->Arg(1600)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Sizes of every quality of one image, for telling whether the search found the best.
const std::vector<int>& qualitySizes(const QImage& image, int key) {
  static std::map<int, std::vector<int>> cache;
  auto& sizes = cache[key];
  if (sizes.empty()) {
    for (int q = 0; q <= 100; ++q) {
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      QImageWriter writer(&buffer, "jpeg");
      writer.setQuality(q);
      writer.write(image);
      sizes.push_back(bytes.size());
    }
  }
  return sizes;
}

const QImage& corpusImage(int index) {
  static std::vector<QImage> corpus = [] {
    std::vector<QImage> images;
    for (std::uint32_t seed = 1; seed <= 4; ++seed) images.push_back(benchPhoto(1600, 1200, seed));
    return images;
  }();
  return corpus[std::size_t(index)];
}

// Counters: encodes, size / budget, and "expected" = 1 when the result is within 2 % under the
// budget, or else the largest quality that fits (or quality 0 when none fits).
void BM_JpegSearch(benchmark::State& state) {
  const int budgetKB = int(state.range(0));
  const std::uint32_t budget = std::uint32_t(budgetKB) * 1024;
  double encodes = 0, ratio = 0, expected = 0;
  int runs = 0;
  for (auto _ : state) {
    for (int i = 0; i < 4; ++i) {
      const QImage& image = corpusImage(i);
      QImage out(image.size(), QImage::Format_ARGB32);
      kestrum::ProcessorJPEG jpeg(&image, &out, budget);
      jpeg.start();
      jpeg.wait();
      state.PauseTiming();
      const std::vector<int>& sizes = qualitySizes(image, i);
      const int size = jpeg.bytes().size();
      int best = -1;
      for (int q = 0; q <= 100; ++q)
        if (std::uint32_t(sizes[std::size_t(q)]) <= budget) best = q;
      const bool close = size <= int(budget) && size >= 0.98 * budget;
      const bool bestFit = best >= 0
                               ? jpeg.lastQuality() == best || size == sizes[std::size_t(best)]
                               : jpeg.lastQuality() == 0;
      expected += (close || bestFit) ? 1 : 0;
      encodes = std::max(encodes, double(jpeg.encodings()));
      ratio += double(size) / budget;
      ++runs;
      state.ResumeTiming();
    }
  }
  state.counters["max_encodes"] = encodes;
  state.counters["size_per_budget"] = ratio / runs;
  state.counters["expected_fraction"] = expected / runs;
}
BENCHMARK(BM_JpegSearch)->Arg(20)->Arg(80)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

// abort() to the end of the computation, the processor started by `started` some time before
// (mid-computation).
void measureAbort(benchmark::State& state,
                  const std::function<std::unique_ptr<kestrum::AbortableThread>()>& started,
                  std::chrono::milliseconds lead) {
  measureStop(
      state,
      [&started] {
        std::shared_ptr<kestrum::AbortableThread> thread = started();
        return [thread] {
          thread->abort();
          thread->wait();
        };
      },
      lead);
}

const QImage& photo12MP() {
  static const QImage image = benchPhoto(4000, 3000, 5);
  return image;
}

QImage scratch;

void BM_AbortLatencyBlur(benchmark::State& state) {
  measureAbort(
      state,
      [] {
        scratch = QImage(photo12MP().size(), QImage::Format_ARGB32);
        auto processor =
            std::make_unique<kestrum::ProcessorGauss<1, 1, 1, 1>>(&photo12MP(), &scratch, 5.0f);
        processor->start();
        return processor;
      },
      std::chrono::milliseconds(15));
}
void BM_AbortLatencySharpen(benchmark::State& state) {
  measureAbort(
      state,
      [] {
        scratch = QImage(photo12MP().size(), QImage::Format_ARGB32);
        auto processor = std::make_unique<kestrum::ProcessorSharpen>(&photo12MP(), &scratch, 5.0f);
        processor->start();
        return processor;
      },
      std::chrono::milliseconds(15));
}
void BM_AbortLatencyHLS(benchmark::State& state) {
  measureAbort(
      state,
      [] {
        scratch = QImage(photo12MP().size(), QImage::Format_ARGB32);
        auto processor =
            std::make_unique<kestrum::ProcessorHLSAdjust>(&photo12MP(), &scratch, 0, 48, 96);
        processor->start();
        return processor;
      },
      std::chrono::milliseconds(15));
}
void BM_AbortLatencyJpeg(benchmark::State& state) {
  measureAbort(
      state,
      [] {
        scratch = QImage(photo12MP().size(), QImage::Format_ARGB32);
        auto processor =
            std::make_unique<kestrum::ProcessorJPEG>(&photo12MP(), &scratch, 500u * 1024u);
        processor->start();
        return processor;
      },
      std::chrono::milliseconds(30));
}
// The final-image thread at each of its stages in turn: the lead puts the abort into the
// sharpening, the blur, the highlight and the JPEG search of a 2000 x 2000 rebuild.
void BM_AbortLatencyFinalImage(benchmark::State& state) {
  static const LayerSet layers = heavyLayers(2000);
  measureAbort(
      state,
      [] {
        auto processor = std::make_unique<ProcessorFinalImage>();
        processor->startRun(layers, 1);
        return processor;
      },
      std::chrono::milliseconds(state.range(0)));
}

BENCHMARK(BM_AbortLatencyBlur)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AbortLatencySharpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AbortLatencyHLS)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AbortLatencyJpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AbortLatencyFinalImage)
    ->Arg(5)
    ->Arg(40)
    ->Arg(80)
    ->Arg(150)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
