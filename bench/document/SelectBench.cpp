// One brush stroke on an analysed session at resolution 1: the engine's part (execute) and the
// whole road from submit to the end of the finishing step (status array refreshed,
// statusChanged emitted), against the canvas's 100-ms stroke. The documents: a synthetic
// 12-megapixel photo, and a real photograph at 1280 pixels and at 12 megapixels. The
// finishing step alone (from the command's return to statusChanged) is reported as a counter.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>

#include <QUrl>

#include "../corvane/RealPhotos.h"
#include "BenchTeardown.h"
#include "DocumentBenchSupport.h"
#include "document/AutoCut.h"
#include "document/Brushing.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdSelect.h"
#include "document/CvCmdUndo.h"
#include "document/DocumentUiHooks.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"

namespace {

// The synthetic photo's size, to which the stroke and the brush are drawn.
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;   // 12 megapixels
constexpr int kBrushSize = 40;  // working pixels on kWidth

// The photo of a benchmark argument: -1 the synthetic photo, else LadyBird (the real
// photograph) at real_photos::Size `size`.
constexpr int kSynthetic = -1;
constexpr int kLadyBird = 6;

QImage photo(int index, int size) {
  if (index == kSynthetic) return subjectOnGround(kWidth, kHeight);
  return real_photos::load(index, size);
}

// The document with its session opened and analysed, kept while the benchmarks use its photo.
struct AnalysedSession {
  AnalysedSession(int index, int size) : index(index), size(size) {
    quietLog();
    const QImage picture = photo(index, size);
    if (picture.isNull()) return;
    scale = picture.width() / double(kWidth);
    documentUiHooks().setBrushSize(std::max(1, int(std::lround(kBrushSize * scale))));
    thread = std::make_unique<CorvaneThread>();
    model = GmModel::instance();
    // At full resolution, which a new image of this size would not get; the session's
    // defaults become the values in use, as for a new image.
    model->setResolution(1);
    model->setSourceImage(
        new TsSourceImage(NamedImage(picture, QUrl(QStringLiteral("file:///bench/photo.png")))),
        nullptr, GmSession::KeepSettings);
    waitIdle(thread.get());
    // The strokes are timed alone, without the cut-outs the document would start after each.
    QObject::disconnect(model->statusArray(), &GmStatusArray::statusChanged, model->autoCut(),
                        &AutoCut::cutoutNeededSlot);
    model->segmentation()->values().resetToDefaults();
    model->segmentation()->findEdges();
    waitIdle(thread.get());
  }
  ~AnalysedSession() {
    if (!model) return;
    GmModel::destroyInstance();
    waitIdle(thread.get());
    thread.reset();
  }

  // A stroke of delete over the kept ground and into the disc, some 600 pixels long on the
  // synthetic photo (the same share of a photo of another size): about what a hand draws in
  // 100 ms.
  CvCmdSelect* stroke(bool local, bool extra = false) const {
    auto* brushing = new Brushing(Qt::red);
    brushing->beginStroke(QPointF(700, 900) * scale);
    for (int i = 1; i <= 30; ++i)
      brushing->continueStroke(QPointF(700 + 20 * i, 900 + 8 * i) * scale);
    return new CvCmdSelect(model, brushing, CvStatusClassMask, CvStatusDelete, local, extra);
  }
  // Back to the statuses before the stroke.
  void undo() {
    thread->submit(new CvCmdUndo(model));
    waitIdle(thread.get());
  }

  int index;
  int size;
  double scale = 1;
  std::unique_ptr<CorvaneThread> thread;
  GmModel* model = nullptr;
};

AnalysedSession* opened = nullptr;

// The session of the benchmark's photo: opened on first use, replacing another photo's (the
// benchmarks run grouped by photo, so each is analysed once), and closed by the main while the
// application still runs.
AnalysedSession& session(const benchmark::State& state) {
  const int index = int(state.range(0)), size = int(state.range(1));
  if (opened && (opened->index != index || opened->size != size)) {
    delete opened;
    opened = nullptr;
  }
  if (!opened) {
    static bool registered = false;
    if (!registered) {
      registered = true;
      atBenchTeardown([] {
        delete opened;
        opened = nullptr;
      });
    }
    opened = new AnalysedSession(index, size);
  }
  return *opened;
}

// Declines a session without its photo or its analysis; true when the benchmark may run.
bool usable(benchmark::State& state, const AnalysedSession& s) {
  if (!s.model) {
    state.SkipWithError("the photo is not installed (mate-backgrounds)");
    return false;
  }
  if (!s.model->segmentation()->hasAnalysis()) {
    state.SkipWithError("the analysis failed");
    return false;
  }
  return true;
}

// The engine's part alone: execute on this thread, after prepare, before finish.
void strokeExecute(benchmark::State& state, bool local, bool extra = false) {
  AnalysedSession& s = session(state);
  if (!usable(state, s)) return;
  for (auto _ : state) {
    std::unique_ptr<CvCmdSelect> command(s.stroke(local, extra));
    if (!command->prepare()) {
      state.SkipWithError("the stroke declined");
      break;
    }
    const auto start = std::chrono::steady_clock::now();
    command->execute();
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (command->result() != CvOk) state.SkipWithError("the engine refused the stroke");
    command->finish();
    command.reset();
    s.undo();
  }
}

// Submit to the end of the finishing step; the counter finishing_ms is the step alone.
void strokeSubmitToFinished(benchmark::State& state, bool local) {
  using Clock = std::chrono::steady_clock;
  AnalysedSession& s = session(state);
  if (!usable(state, s)) return;
  int refreshed = 0;
  Clock::time_point returned, finished;
  double finishing = 0;
  QObject guard;  // the connections end with this function
  QObject::connect(s.thread.get(), &CorvaneThread::commandFinished, &guard,
                   [&] { returned = Clock::now(); });
  QObject::connect(s.model->statusArray(), &GmStatusArray::statusChanged, &guard, [&] {
    ++refreshed;
    finished = Clock::now();
  });
  for (auto _ : state) {
    CvCmdSelect* command = s.stroke(local);
    const int before = refreshed;
    const auto start = std::chrono::steady_clock::now();
    s.thread->submit(command);
    waitIdle(s.thread.get());
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (refreshed == before) state.SkipWithError("no statusChanged");
    finishing += std::chrono::duration<double, std::milli>(finished - returned).count();
    s.undo();
  }
  state.counters["finishing_ms"] = finishing / double(state.iterations());
}

void BM_PixelStrokeExecute(benchmark::State& state) {
  strokeExecute(state, false);
}
void BM_PixelStrokeSubmitToFinished(benchmark::State& state) {
  strokeSubmitToFinished(state, false);
}
void BM_RegionStrokeExecute(benchmark::State& state) {
  strokeExecute(state, true);
}
void BM_RegionStrokeOnlyExecute(benchmark::State& state) {
  strokeExecute(state, true, true);
}
void BM_RegionStrokeSubmitToFinished(benchmark::State& state) {
  strokeSubmitToFinished(state, true);
}

// Registered grouped by photo (-1 synthetic, 6 LadyBird) and size (0 1280 pixels, 1 12
// megapixels), so that each is analysed once.
[[maybe_unused]] const bool registered = [] {
  struct Photo {
    int index, size, regionIterations;
  };
  struct Bench {
    const char* name;
    void (*run)(benchmark::State&);
    int iterations;  // 0: the photo's region iterations
  };
  const Bench benches[] = {{"BM_PixelStrokeExecute", BM_PixelStrokeExecute, 10},
                           {"BM_PixelStrokeSubmitToFinished", BM_PixelStrokeSubmitToFinished, 10},
                           {"BM_RegionStrokeExecute", BM_RegionStrokeExecute, 0},
                           {"BM_RegionStrokeOnlyExecute", BM_RegionStrokeOnlyExecute, 3},
                           {"BM_RegionStrokeSubmitToFinished", BM_RegionStrokeSubmitToFinished, 0}};
  for (const Photo& photo : {Photo{kSynthetic, real_photos::kTwelveMegapixels, 5},
                             Photo{kLadyBird, real_photos::kWorking, 10},
                             Photo{kLadyBird, real_photos::kTwelveMegapixels, 5}})
    for (const Bench& bench : benches)
      benchmark::RegisterBenchmark(bench.name, bench.run)
          ->Args({photo.index, photo.size})
          ->ArgNames({"photo", "size"})
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(bench.iterations ? bench.iterations : photo.regionIterations);
  return true;
}();

}  // namespace
