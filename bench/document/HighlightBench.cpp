// Highlighting a 12-megapixel working image by colour, as the colour workspace asks for it: one
// channel (hue) and a plane of two (hue by saturation), against 100 ms each.

#include <benchmark/benchmark.h>

#include <vector>

#include "DocumentBenchSupport.h"
#include "document/Set1DThread.h"
#include "document/Set2DThread.h"

namespace {

using namespace kestrum::colour;

// The working image of a 12-megapixel photo at resolution 1, every status kept, and the
// highlight; made once.
struct Scene {
  Scene()
      : working(subjectOnGround(4000, 3000).convertToFormat(QImage::Format_ARGB32)),
        status(working.size(), QImage::Format_Indexed8),
        highlight(working.size(), QImage::Format_Mono) {
    status.setColorTable(QVector<QRgb>(256, qRgba(0, 0, 0, 0)));
    status.fill(2);
    highlight.fill(0);
  }
  QImage working, status, highlight;
};

Scene& scene() {
  static Scene made;
  return made;
}

void run(benchmark::State& state, HighlightThread& thread) {
  Scene& s = scene();
  for (auto _ : state) {
    thread.startRun(&s.highlight, &s.working, &s.status, nullptr, s.working.rect(), 2 | 4 | 8);
    thread.wait();
  }
  state.counters["megapixels"] = s.working.width() * double(s.working.height()) / 1e6;
}

void BM_HighlightHue(benchmark::State& state) {
  std::vector<bool> orange(256);
  for (int hue = 5; hue < 30; ++hue) orange[size_t(hue)] = true;
  Set1DThread thread;
  thread.setSelection(orange);
  thread.setChannel(Hue);
  run(state, thread);
}

void BM_HighlightHueBySaturation(benchmark::State& state) {
  QImage plane(256, 256, QImage::Format_Mono);
  plane.fill(0);
  for (int saturation = 120; saturation < 256; ++saturation)
    for (int hue = 5; hue < 30; ++hue) plane.setPixel(hue, saturation, 1);
  Set2DThread thread;
  thread.setSelection(plane);
  thread.setChannels(Hue, Saturation);
  run(state, thread);
}

// The walk with the cheapest channel, for comparison.
void BM_HighlightRed(benchmark::State& state) {
  std::vector<bool> middle(256);
  for (int red = 100; red < 200; ++red) middle[size_t(red)] = true;
  Set1DThread thread;
  thread.setSelection(middle);
  thread.setChannel(Red);
  run(state, thread);
}

BENCHMARK(BM_HighlightHue)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_HighlightHueBySaturation)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_HighlightRed)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace
