// The background tool: one rendering of every background type on a 1600 x 1600 canvas (it runs
// on every handle move; target under 30 ms), choosing a 12-megapixel JPEG as background from
// the guarded read to the rendered layer (target under 400 ms), and the work of one library
// thumbnail timer event on such a JPEG (target under 30 ms).

#include <benchmark/benchmark.h>

#include <memory>

#include <QLabel>

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>

#include "BenchTeardown.h"
#include "composition/BackgroundTool.h"
#include "composition/CompositionHost.h"
#include "composition/CompositionResources.h"
#include "composition/LibraryModel.h"
#include "composition/ZarvoGrabHandleBase.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "document/DocumentMetaTypes.h"
#include "document/GmModel.h"
#include "kestrum/qt/AppPaths.h"
#include "../corvane/RealPhotos.h"
#include "support/BenchImages.h"

namespace {

// Answers the choosers with the path set last.
class AnsweringHost : public CompositionHost {
 public:
  void message(QMessageBox::Icon, const QString&, const QString& text) override {
    lastMessage = text;
  }
  bool confirm(const QString&, const QString&) override { return false; }
  QString openImageFile(QWidget*, const QString&, const QString&, const QString&) override {
    return answer;
  }
  QString libraryImage(const QString&) override { return answer; }
  bool preparePrinter(QPrinter&) override { return false; }
  QString answer;
  QString lastMessage;
};

// 12-megapixel JPEGs (quality 90) in the run's temporary folder, which is also the program
// folder, so the library lists them; two of each kind, as choosing the same file again reads
// nothing. Kind 0: the seeded picture with per-pixel grain, 4000 x 3000, a worst case of 3.7 MB;
// kind 1: the elephants wallpaper of mate-backgrounds scaled to 12 megapixels, a photograph
// (absent when the package is not installed).
struct Photos {
  Photos() {
    const QString folder = QDir::tempPath();
    QDir(folder).mkpath(QStringLiteral("backgrounds"));
    const QImage real = real_photos::load(12, real_photos::kTwelveMegapixels);
    for (int kind = 0; kind < 2; ++kind)
      for (int i = 0; i < 2; ++i) {
        const QImage image = kind == 0 ? benchPhoto(4000, 3000, 31 + i) : real.mirrored(i, false);
        if (image.isNull()) continue;
        paths[kind][i] = folder + QStringLiteral("/backgrounds/photo%1-%2.jpg").arg(kind).arg(i);
        image.save(paths[kind][i], "JPG", 90);
      }
    kestrum::setAppDirOverride(folder);
  }
  QString paths[2][2];
};

const char* const kPhotoNames[] = {"seeded grain", "elephants"};

struct Setup {
  Setup() {
    registerDocumentMetaTypes();
    initCompositionResources();
    setCompositionHost(&host);
    ZarvoObject::instance()->setCanvasRect(QRect(0, 0, 1600, 1600));
    view = std::make_unique<ZarvoWidget>();
    tool = std::make_unique<BackgroundTool>(view.get());
  }
  ~Setup() {
    tool.reset();
    view.reset();
    LibraryModel::destroyInstance();
    GmModel::destroyInstance();
    ZarvoObject::destroyInstance();
    setCompositionHost(nullptr);
  }
  Photos photos;
  AnsweringHost host;
  std::unique_ptr<ZarvoWidget> view;
  std::unique_ptr<BackgroundTool> tool;
};

Setup& setup() {
  static Setup* instance = [] {
    auto* made = new Setup;
    atBenchTeardown([made] { delete made; });
    return made;
  }();
  return *instance;
}

const char* const kTypeNames[] = {"one colour", "wavy",         "curly",
                                  "fan",        "image (file)", "image (library)"};

void BM_UpdateBackground(benchmark::State& state) {
  Setup& s = setup();
  const int type = int(state.range(0));
  s.host.answer = s.photos.paths[0][0];
  s.tool->typeCombo()->setCurrentIndex(type);
  s.tool->handle1()->setPos(700, 650);
  s.tool->handle2()->setPos(900, 1000);
  for (auto _ : state) s.tool->updateBackground();
  state.SetLabel(kTypeNames[type]);
}
BENCHMARK(BM_UpdateBackground)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_ChooseLargeJpeg(benchmark::State& state) {
  Setup& s = setup();
  const QString* paths = s.photos.paths[state.range(0)];
  if (paths[0].isEmpty()) return state.SkipWithError("mate-backgrounds is not installed");
  s.host.answer = paths[0];
  s.tool->typeCombo()->setCurrentIndex(BackgroundTool::ImageFromFile);
  for (auto _ : state) {
    // The other file each time: the same one again is not read.
    s.host.answer = paths[s.tool->fileLabel()->text() == paths[0] ? 1 : 0];
    if (!s.tool->chooseFile()) {
      state.SkipWithError(("the photo was not taken: " + s.host.lastMessage).toStdString().c_str());
      break;
    }
  }
}
BENCHMARK(BM_ChooseLargeJpeg)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// The whole work of one thumbnail timer event.
void BM_ThumbnailOfLargeJpeg(benchmark::State& state) {
  const QString path = setup().photos.paths[state.range(0)][0];
  if (path.isEmpty()) return state.SkipWithError("mate-backgrounds is not installed");
  for (auto _ : state) benchmark::DoNotOptimize(LibraryModel::thumbnail(path));
  state.SetLabel(kPhotoNames[state.range(0)]);
}
BENCHMARK(BM_ThumbnailOfLargeJpeg)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace
