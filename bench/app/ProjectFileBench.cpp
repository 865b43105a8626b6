// The project file of a 12-megapixel photo held at full size, worked at resolution 4 with
// statuses of every class painted, written and read through the file handler, against 1 s
// each way. "Load" runs until the restored document's session has begun. Both images travel
// inside the document's keyed state as PNG; that encoding is the keyed state's own.

#include <benchmark/benchmark.h>

#include <memory>

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include "../document/DocumentBenchSupport.h"
#include "BenchTeardown.h"
#include "FileHandlerScene.h"
#include "app/FileHandler.h"
#include "composition/ZarvoObject.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"

namespace {

struct Scene : FileHandlerScene {
  Scene() {
    GmModel* model = GmModel::instance();
    const QImage photo = subjectOnGround(4000, 3000);
    model->setSourceImage(
        new TsSourceImage(NamedImage(photo, QUrl(QStringLiteral("file:///photo.png")))));
    waitIdle(thread.get());
    const QSize working = model->workingRect().size();
    QImage statuses(working, QImage::Format_Indexed8);
    statuses.setColorCount(256);
    for (int y = 0; y < working.height(); ++y)
      for (int x = 0; x < working.width(); ++x)
        statuses.setPixel(x, y,
                          (x / 50 + y / 40) % 3 == 0   ? 2
                          : (x / 50 + y / 40) % 3 == 1 ? 4
                                                       : 8);
    model->statusArray()->setPendingStatus(statuses);
    model->statusArray()->sendPendingStatus();
    waitIdle(thread.get());
    path = folder.filePath(QStringLiteral("photo.project"));
  }
  bool save() {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && handler->saveProject(file);
  }

  QTemporaryDir folder;
  QString path;
};

Scene& scene() {
  static std::unique_ptr<Scene> made;
  if (!made) {
    made = std::make_unique<Scene>();
    atBenchTeardown([] { made.reset(); });
  }
  return *made;
}

void BM_ProjectSave12MP(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state)
    if (!s.save()) state.SkipWithError("not written");
  state.counters["file_MB"] = QFile(s.path).size() / 1e6;
}

void BM_ProjectLoad12MP(benchmark::State& state) {
  Scene& s = scene();
  if (!QFile::exists(s.path) && !s.save()) state.SkipWithError("not written");
  for (auto _ : state) {
    QFile file(s.path);
    if (!file.open(QIODevice::ReadOnly) || !s.handler->loadProject(file))
      state.SkipWithError("not loaded");
    waitIdle(s.thread.get());
  }
}

BENCHMARK(BM_ProjectSave12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ProjectLoad12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
