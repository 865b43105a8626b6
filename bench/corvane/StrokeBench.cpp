// One local brush stroke on an analysed real photograph and the clean-up the document runs after
// it, through Corvane.h: a "Delete" stroke of half the picture's width from the ground into a
// kept disc (CvSelect on the regions the stroke touches), then CvAutoComplex and
// CvDespeckleSelection, each timed apart and undone between strokes. The user waits for all
// three before the next stroke starts; the canvas gives a stroke 100 ms.

#include <benchmark/benchmark.h>

// Before Blitz++, whose tau.h defines a macro CT that breaks QColor.
#include "RealPhotos.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchPhotos.h"
#include "Corvane.h"

namespace {

// The blend width and despeckle size the document's stroke command passes.
constexpr float kAutoComplexBlend = 0.75f;
constexpr uint8_t kStrokeDespeckle = 3;

// An analysed session over a real photograph with a kept disc in the middle of the picture.
struct StrokeFixture : bench_photos::HostSession {
  StrokeFixture(uint32_t width, uint32_t height, std::vector<uint8_t> pixels)
      : HostSession(width, height, std::move(pixels)) {
    analysed = CvAnalyseImage(session, nullptr, nullptr) == CvOk;
    const std::vector<uint8_t> trimap = real_photos::trimap(int(width), int(height));
    std::vector<uint8_t> disc(trimap.size());
    for (size_t i = 0; i < trimap.size(); ++i) disc[i] = trimap[i] == 255 ? CvStatusKeep : 0;
    const CvSelection labels{0, 0, CvImage{width, height, width, CvKindStatus, disc.data()}};
    CvCommitUndoStep(session);
    analysed = analysed && CvSetStatus(session, status, &labels, nullptr, nullptr) == CvOk;
    CvClearUndoRedo(session);
  }

  bool analysed = false;
};

// The stroke: a brush of 1/32 of the width, as 40 pixels are at the working size, along the
// middle row from 5 % of the width to 55 %, which ends inside the disc.
std::vector<uint8_t> strokeMask(uint32_t width, uint32_t height, CvSelection& selection) {
  const double radius = width / 64.0;
  const double y = height * 0.5, x0 = width * 0.05, x1 = width * 0.55;
  const int32_t left = int32_t(std::floor(x0 - radius)), top = int32_t(std::floor(y - radius));
  const uint32_t w = uint32_t(std::ceil(x1 + radius)) - uint32_t(left);
  const uint32_t h = uint32_t(std::ceil(y + radius)) - uint32_t(top);
  std::vector<uint8_t> mask(size_t(w) * h);
  for (uint32_t r = 0; r < h; ++r) {
    for (uint32_t c = 0; c < w; ++c) {
      const double px = left + c + 0.5, py = top + r + 0.5;
      const double nearest = std::min(std::max(px, x0), x1);
      mask[size_t(r) * w + c] = std::hypot(px - nearest, py - y) <= radius ? 1 : 0;
    }
  }
  selection = CvSelection{left, top, CvImage{w, h, w, CvKindStatus, mask.data()}};
  return mask;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// FNV-1a over the status image's rows.
std::string statusDigest(const CvImage& status) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t r = 0; r < status.height; ++r) {
    const auto* row = static_cast<const uint8_t*>(status.data) + size_t(r) * status.stride;
    for (uint32_t c = 0; c < status.width; ++c) h = (h ^ row[c]) * 1099511628211ull;
  }
  char text[24];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

// The stroke and its clean-up on real photograph range(0) at size range(1) (0: 1280 pixels on
// the long side, 1: 12 megapixels at resolution 1) with range(2) engine workers. The iteration
// time is auto complex plus despeckle; the counters give each step's median in milliseconds.
// The label carries the digest of the statuses after the last stroke's clean-up, which no
// optimisation may change.
void BM_StrokeCleanUp(benchmark::State& state) {
  const QImage photo = real_photos::load(int(state.range(0)), int(state.range(1)));
  if (photo.isNull()) return state.SkipWithError("mate-backgrounds is not installed");
  const uint32_t width = uint32_t(photo.width()), height = uint32_t(photo.height());
  std::vector<uint8_t> pixels(photo.constBits(), photo.constBits() + photo.sizeInBytes());
  corvaneSetWorkerLimit(uint32_t(state.range(2)));
  StrokeFixture fixture(width, height, std::move(pixels));
  if (!fixture.analysed) return state.SkipWithError("the analysis failed");
  CvSelection stroke{};
  const std::vector<uint8_t> mask = strokeMask(width, height, stroke);

  std::vector<double> select, complex, despeckle;
  std::string digest;
  uint32_t changedWidth = 0;
  for (auto _ : state) {
    CvCommitUndoStep(fixture.session);
    auto start = std::chrono::steady_clock::now();
    CvResult result = CvSelect(fixture.session, fixture.status, &stroke, CvStatusDelete,
                               CvStatusClassMask, 1, 0.0f, nullptr, nullptr);
    select.push_back(millisecondsSince(start));
    changedWidth = fixture.session->changedWidth;
    start = std::chrono::steady_clock::now();
    if (result == CvOk)
      result = CvAutoComplex(fixture.session, fixture.status, kAutoComplexBlend, nullptr, nullptr);
    complex.push_back(millisecondsSince(start));
    start = std::chrono::steady_clock::now();
    if (result == CvOk)
      result =
          CvDespeckleSelection(fixture.session, fixture.status, kStrokeDespeckle, nullptr, nullptr);
    despeckle.push_back(millisecondsSince(start));
    state.SetIterationTime((complex.back() + despeckle.back()) / 1000.0);
    if (result != CvOk) {
      state.SkipWithError("the engine refused the stroke");
      break;
    }
    state.PauseTiming();
    digest = statusDigest(*fixture.status);
    CvUndo(fixture.session, nullptr, nullptr);
    state.ResumeTiming();
  }
  corvaneSetWorkerLimit(0);
  state.counters["select ms"] = median(select);
  state.counters["autoComplex ms"] = median(complex);
  state.counters["despeckle ms"] = median(despeckle);
  state.counters["stroke width"] = double(changedWidth);
  state.SetLabel(real_photos::shortName(int(state.range(0))) + "-" +
                 real_photos::sizeName(int(state.range(1))) + " " + digest);
}

// Every photograph at both sizes on 8 workers, and LadyBird on 1; pick with
// --benchmark_filter, for example BM_StrokeCleanUp/6/ for LadyBird.
void strokeArguments(benchmark::internal::Benchmark* b) {
  for (int size = 0; size < 2; ++size) {
    for (int index = 0; index < int(real_photos::names().size()); ++index)
      b->Args({index, size, 8});
    b->Args({6, size, 1});
  }
}

}  // namespace

BENCHMARK(BM_StrokeCleanUp)
    ->Apply(strokeArguments)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

BENCHMARK_MAIN();
