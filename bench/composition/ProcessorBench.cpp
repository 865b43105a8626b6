// The image processors on a 12-megapixel RGBA picture: blur at s = 1, 3, 5 (beside OpenCV's
// GaussianBlur on the same bytes with the same kernel when OpenCV is there), sharpen and HLS.

#include <benchmark/benchmark.h>

#include <QImage>

#include "kestrum/qt/GaussBlur.h"
#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/ProcessorHLSAdjust.h"
#include "kestrum/qt/ProcessorSharpen.h"
#include "kestrum/qt/RowBands.h"
#include "support/BenchImages.h"

#ifdef ZARVO_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

const QImage& photo12MP() {
  static const QImage image = benchPhoto(4000, 3000, 12);
  return image;
}

template <class Processor, class... Args>
void runProcessor(benchmark::State& state, Args... args) {
  const QImage& input = photo12MP();
  QImage output(input.size(), QImage::Format_ARGB32);
  for (auto _ : state) {
    Processor processor(&input, &output, args...);
    processor.start();
    processor.wait();
    benchmark::DoNotOptimize(output.constBits());
  }
  state.SetItemsProcessed(state.iterations() * input.width() * input.height());
}

// Second argument: worker threads (0 = one per processor).
void BM_Blur(benchmark::State& state) {
  kestrum::setRowBandThreadsOverride(unsigned(state.range(1)));
  runProcessor<kestrum::ProcessorGauss<1, 1, 1, 1>>(state, float(state.range(0)));
  kestrum::setRowBandThreadsOverride(0);
}
BENCHMARK(BM_Blur)->ArgsProduct({{1, 3, 5}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef ZARVO_HAVE_OPENCV
void BM_OpenCvGaussianBlur(benchmark::State& state) {
  const QImage& input = photo12MP();
  const int s = int(state.range(0));
  const int radius = kestrum::gaussRadius(float(s));
  const cv::Mat source(input.height(), input.width(), CV_8UC4,
                       const_cast<uchar*>(input.constBits()), size_t(input.bytesPerLine()));
  cv::Mat blurred;
  for (auto _ : state) {
    cv::GaussianBlur(source, blurred, cv::Size(2 * radius + 1, 2 * radius + 1), 2.0 * s, 2.0 * s);
    benchmark::DoNotOptimize(blurred.data);
  }
  state.SetItemsProcessed(state.iterations() * input.width() * input.height());
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCvGaussianBlur)
    ->Arg(1)
    ->Arg(3)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

void BM_Sharpen(benchmark::State& state) {
  runProcessor<kestrum::ProcessorSharpen>(state, float(state.range(0)));
}
BENCHMARK(BM_Sharpen)->Arg(1)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HLSAdjust(benchmark::State& state) {
  runProcessor<kestrum::ProcessorHLSAdjust>(state, qint16(0), qint16(48), qint16(96));
}
BENCHMARK(BM_HLSAdjust)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
