// The whole road on a dropped 12-megapixel image held whole: the session (at the resolution
// chosen for it), edge detection, a delete over the image and a keep stroke over the subject,
// and the automatic cut-out of the full-size image; its time, and the peak resident memory of
// the process, against 2 GB.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

#include <QUrl>

#include "DocumentBenchSupport.h"
#include "document/Brushing.h"
#include "document/CvCmdSelect.h"
#include "document/DocumentUiHooks.h"
#include "document/GmModel.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

double peakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

void BM_EndToEndDropped12MP(benchmark::State& state) {
  quietLog();
  int cutouts = 0;
  int resolution = 0;
  for (auto _ : state) {
    auto thread = std::make_unique<CorvaneThread>();
    GmModel* model = GmModel::instance();
    QObject guard;
    QObject::connect(model, &GmModel::cutoutChanged, &guard, [&] { ++cutouts; });
    model->setSourceImage(new TsSourceImage(
        NamedImage(subjectOnGround(kWidth, kHeight), QUrl(QStringLiteral("file:///big.png")))));
    waitIdle(thread.get());
    model->segmentation()->findEdges();
    waitIdle(thread.get());
    thread->submit(new CvCmdSelect(model, nullptr, CvStatusClassMask, CvStatusDelete));
    auto* keep = new Brushing(Qt::green);
    const double cx = kWidth * 0.5, cy = kHeight * 0.52, r = kHeight * 0.2;
    keep->beginStroke(QPointF(cx - r, cy));
    keep->continueStroke(QPointF(cx + r, cy));
    keep->continueStroke(QPointF(cx, cy - r));
    keep->continueStroke(QPointF(cx, cy + r));
    thread->submit(new CvCmdSelect(model, keep, CvStatusClassMask, CvStatusKeep, true, false));
    waitIdle(thread.get());
    resolution = model->resolution();
    GmModel::destroyInstance();
    waitIdle(thread.get());
  }
  if (cutouts == 0) state.SkipWithError("no cut-out was made");
  state.counters["resolution"] = resolution;
  state.counters["peak_RSS_MB"] = peakResidentMegabytes();
}

BENCHMARK(BM_EndToEndDropped12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
