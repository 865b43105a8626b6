#include <benchmark/benchmark.h>

// Before Blitz++, whose tau.h defines a macro CT that breaks QColor.
#include "RealPhotos.h"

#include <blitz/array.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "Corvane.h"
#include "engine/CvInSession.h"
#include "util/ByteComponent.h"
#include "util/ProcessorCount.h"

namespace {

constexpr uint32_t kRows = 3000, kColumns = 4000;  // 12 megapixels at full resolution

// "Generate mask" of a whole 12-megapixel picture whose session works at 1 / factor: a warm,
// noisy foreground on the left, a cool background on the right, and a wavy unassigned band of
// `band` status pixels between them where the picture blends from one to the other. A wide
// band puts most mixed pixels far from either class: long distance fronts, and colour
// samples that climb many pyramid levels.
struct Scene {
  uint32_t factor, rows, columns;
  std::vector<uint8_t> full, working;
  CvImage fullImage{}, workingImage{};
  CvEngine* engine = nullptr;
  CvSession* session = nullptr;
  CvImage* status = nullptr;

  Scene(uint32_t f, float band)
      : factor(f),
        rows(kRows / f),
        columns(kColumns / f),
        full(size_t(kRows) * kColumns * 4),
        working(size_t(rows) * columns * 4) {
    auto boundary = [&](float r) {
      return columns * 0.5f + columns * 0.1f * std::sin(r / (rows * 0.05f));
    };
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (uint32_t y = 0; y < kRows; ++y) {
      const float b = boundary((y + 0.5f) / f) * f;
      for (uint32_t x = 0; x < kColumns; ++x) {
        float t = (x + 0.5f - (b - band * 0.5f * f)) / (band * f);
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        uint8_t* p = &full[(size_t(y) * kColumns + x) * 4];
        const int n = noise(rng);
        p[0] = uint8_t(std::min(255.0f, std::max(0.0f, 40 + 150 * t + n)));
        p[1] = uint8_t(std::min(255.0f, std::max(0.0f, 90 + 20 * t + n)));
        p[2] = uint8_t(std::min(255.0f, std::max(0.0f, 200 - 160 * t + n)));
        p[3] = 255;
      }
    }
    for (uint32_t r = 0; r < rows; ++r)
      for (uint32_t c = 0; c < columns; ++c)
        for (int k = 0; k < 4; ++k)
          working[(size_t(r) * columns + c) * 4 + k] =
              full[(size_t(r * f) * kColumns + c * f) * 4 + k];
    fullImage = CvImage{kColumns, kRows, kColumns * 4, CvKindRgba8, full.data()};
    workingImage = CvImage{columns, rows, columns * 4, CvKindRgba8, working.data()};

    engine = CvInit();
    session = CvBeginSession(engine, workingImage, nullptr, nullptr);
    status = CvNewStatusImage(engine, workingImage);
    uint8_t* s = static_cast<uint8_t*>(status->data);
    for (uint32_t r = 0; r < rows; ++r) {
      const float b = boundary(r + 0.5f);
      for (uint32_t c = 0; c < columns; ++c) {
        const float x = c + 0.5f - (b - band * 0.5f);
        s[size_t(r) * status->stride + c] = x < 0 ? 2 : x >= band ? 4 : 1;
      }
    }
    // Blend radii in place of an analysis.
    CvInSession& object = *static_cast<CvInSession*>(session);
    blitz::Array<corvane::BytePixel3, 2> gradients{blitz::shape(int(rows), int(columns))};
    gradients = corvane::BytePixel3(0, 0, 6);
    object.classification().segmentation().localValueMap =
        corvane::extractByteComponent(gradients, 2);
    object.setSegmented(true);
  }
  ~Scene() { CvFinish(engine); }
};

void generateMask(benchmark::State& state) {
  Scene scene(uint32_t(state.range(0)), float(state.range(1)));
  std::vector<uint8_t> output(scene.full);
  CvImage out = scene.fullImage;
  out.data = output.data();
  corvane::setProcessorCountOverride(unsigned(state.range(2)));
  for (auto _ : state) {
    const CvResult result =
        CvGenerateMask(scene.session, nullptr, out, scene.fullImage, scene.status, nullptr, 0, 1.0f,
                       0.0f, nullptr, 0, nullptr, nullptr);
    if (result != CvOk) state.SkipWithError("Generate mask failed");
    benchmark::DoNotOptimize(output.data());
  }
  corvane::setProcessorCountOverride(0);
  state.SetItemsProcessed(int64_t(state.iterations()) * kRows * kColumns);
}
// Factor, band width in status pixels, workers.
BENCHMARK(generateMask)
    ->Args({1, 16, 1})
    ->Args({1, 16, 8})
    ->Args({2, 16, 8})
    ->Args({1, 120, 8})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// "Generate mask" of real photograph range(0) at size range(1) (0: 1280 pixels on the long
// side, 1: 12 megapixels) on range(2) processors, after a real analysis and with the drawn
// trimap as statuses, called as the cut-out driver calls it. The output is filled with the
// photograph again before each call.
void BM_PhotoGenerateMask(benchmark::State& state) {
  QImage photo = real_photos::load(int(state.range(0)), int(state.range(1)));
  if (photo.isNull()) return state.SkipWithError("mate-backgrounds is not installed");
  state.SetLabel(real_photos::shortName(int(state.range(0))) + "-" +
                 real_photos::sizeName(int(state.range(1))));
  const uint32_t width = uint32_t(photo.width()), height = uint32_t(photo.height());
  const CvImage source{width, height, uint32_t(photo.bytesPerLine()), CvKindRgba8, photo.bits()};
  CvEngine* engine = CvInit();
  CvSession* session = CvBeginSession(engine, source, nullptr, nullptr);
  CvImage* status = CvNewStatusImage(engine, source);
  std::vector<uint8_t> labels = real_photos::trimap(int(width), int(height));
  for (uint8_t& v : labels) v = v == 255 ? CvStatusKeep : v == 0 ? CvStatusDelete : CvStatusBlend;
  CvSelection selection{0, 0, CvImage{width, height, width, CvKindStatus, labels.data()}};
  if (CvAnalyseImage(session, nullptr, nullptr) != CvOk ||
      CvSetStatus(session, status, &selection, nullptr, nullptr) != CvOk) {
    CvFinish(engine);
    return state.SkipWithError("analysis failed");
  }
  std::vector<uint8_t> output(size_t(source.stride) * height);
  CvImage out = source;
  out.data = output.data();
  corvane::setProcessorCountOverride(unsigned(state.range(2)));
  for (auto _ : state) {
    state.PauseTiming();
    std::copy_n(photo.constBits(), output.size(), output.begin());
    state.ResumeTiming();
    const CvResult result = CvGenerateMask(session, nullptr, out, source, status, nullptr, 0, 0.75f,
                                           0.2f, nullptr, 0, nullptr, nullptr);
    if (result != CvOk) state.SkipWithError("Generate mask failed");
    benchmark::DoNotOptimize(output.data());
  }
  corvane::setProcessorCountOverride(0);
  CvFinish(engine);
}
void photoArguments(benchmark::internal::Benchmark* b) {
  for (int size = 0; size < 2; ++size)
    for (int threads : {1, 8})
      for (int index = 0; index < int(real_photos::names().size()); ++index)
        b->Args({index, size, threads});
}
BENCHMARK(BM_PhotoGenerateMask)
    ->Apply(photoArguments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
