// Opening a photo from a file through the file handler, the road of the command line, the open
// dialog, the recent files and the platform's open-file event (and, from the source image on,
// of "--aperture"): a 150-megapixel JPEG of a medium-format camera (14204 x 10652) opens,
// against 3 s and a peak resident size of 1 GB, also when its Exif orientation 6 turns it; a
// 2.6 MB PNG of zero rows declaring 30000 x 30000 pixels is refused from its header, against
// 100 ms and 150 MB. A photo dropped on the window takes the road of a drop (the image receiver,
// then FileHandler::loadImage of the picture, as the window's slot does) within 10 % of the
// peak of the same file opened: the camera's JPEG and a 0.57 MB PNG of 14000 x 14000 black
// pixels, each against 1 GB. The time is that of the open or the drop; the engine's session on
// the opened photo is waited for outside it. The files are made at run time in the run's
// temporary folder. The peak is the process's high-water mark of resident memory, reset before
// each open (/proc/self/clear_refs).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include "../document/DocumentBenchSupport.h"
#include "BenchTeardown.h"
#include "ExifBytes.h"
#include "FileHandlerScene.h"
#include "ImageFiles.h"
#include "app/FileHandler.h"
#include "app/ImageReceiver.h"
#include "composition/ZarvoObject.h"
#include "document/GmModel.h"

namespace {

constexpr int kCameraWidth = 14204;
constexpr int kCameraHeight = 10652;

// The resident high-water mark starts again from what is resident now.
bool resetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return bool(clear.flush());
}

double peakResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;  // kB
  return 0;
}

// Smooth gradients with a little noise, written as a camera would at its finest (quality 95).
bool writeCameraJpeg(const QString& path) {
  QImage photo(kCameraWidth, kCameraHeight, QImage::Format_RGB32);
  if (photo.isNull()) return false;
  uint32_t noise = 1;
  for (int y = 0; y < kCameraHeight; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < kCameraWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      line[x] = qRgb((x / 64 + (noise >> 28)) & 255, (y / 48 + (noise >> 24 & 15)) & 255,
                     ((x + y) / 120 + (noise >> 20 & 15)) & 255);
    }
  }
  return photo.save(path, "JPEG", 95);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The camera's JPEG as a camera held on its side writes it: Exif orientation 6.
bool writeTurnedCopy(const QString& from, const QString& to) {
  QFile file(from);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray jpeg = file.readAll();
  exif_bytes::Tiff tiff(true);
  tiff.directory({{0x0112, 3, 1, 6}});
  return writeFile(to, jpeg.left(2) + exif_bytes::segment(0xE1, tiff.exifBody()) + jpeg.mid(2));
}

// The main window's part in a drop: the picture delivered goes to the file handler as the
// window's slot hands it on.
class DropWindow : public QWidget {
 public:
  explicit DropWindow(FileHandler* handler) : handler_(handler) {}
  void receivedImageSlot(const NamedImage& image) { opened = handler_->loadImage(image, 1); }
  bool opened = false;

 private:
  FileHandler* handler_;
};

struct Scene : FileHandlerScene {
  Scene() {
    camera = folder.filePath(QStringLiteral("camera.jpg"));
    turned = folder.filePath(QStringLiteral("camera6.jpg"));
    bomb = folder.filePath(QStringLiteral("bomb.png"));
    black = folder.filePath(QStringLiteral("black.png"));
    made = writeCameraJpeg(camera) && writeTurnedCopy(camera, turned) &&
           writeFile(bomb, zarvo_test::pngOfZeroRows(30000, 30000)) &&
           writeFile(black, zarvo_test::pngOfZeroRows(14000, 14000));
  }

  // Opens `path` timed (dropped on the window or through the file handler), with the peak of the
  // open; the document is closed again untimed.
  void open(benchmark::State& state, const QString& path, bool expected, bool dropped = false) {
    double peak = 0;
    DropWindow window(handler.get());
    for (auto _ : state) {
      state.PauseTiming();
      GmModel::instance()->finish();
      waitIdle(thread.get());
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      if (!resetPeakResident()) state.SkipWithError("the peak cannot be reset");
      QMimeData drop;
      drop.setUrls({QUrl::fromLocalFile(path)});
      window.opened = false;
      state.ResumeTiming();
      if (dropped) ImageReceiver::receive(&drop, &window);  // delivers before it returns
      const bool opened = dropped ? window.opened : handler->loadImage(path);
      state.PauseTiming();
      peak = std::max(peak, peakResidentMegabytes());
      if (opened != expected) state.SkipWithError(opened ? "opened" : "not opened");
      waitIdle(thread.get());
      state.ResumeTiming();
    }
    state.counters["peak_resident_MB"] = peak;
    state.counters["file_MB"] = QFile(path).size() / 1e6;
  }

  QTemporaryDir folder;
  QString camera, turned, bomb, black;
  bool made = false;
};

Scene& scene(benchmark::State& state) {
  static std::unique_ptr<Scene> made;
  if (!made) {
    made = std::make_unique<Scene>();
    atBenchTeardown([] { made.reset(); });
  }
  if (!made->made) state.SkipWithError("the photos could not be written");
  return *made;
}

// `photo`: which of the scene's files; `opens`: whether it is to open (not be refused);
// `dropped`: received as a drop rather than opened from the file.
void BM_Photo(benchmark::State& state, QString Scene::*photo, bool opens, bool dropped) {
  Scene& s = scene(state);
  s.open(state, s.*photo, opens, dropped);
  if (photo == &Scene::camera)
    state.counters["megapixels"] = kCameraWidth * double(kCameraHeight) / 1e6;
}

const bool registered = [] {
  struct Case {
    const char* name;
    QString Scene::*photo;
    bool opens, dropped;
    int iterations;
  };
  for (const Case& c : {Case{"BM_Open150MegapixelJpeg", &Scene::camera, true, false, 3},
                        Case{"BM_Drop150MegapixelJpeg", &Scene::camera, true, true, 3},
                        Case{"BM_Open150MegapixelJpegTurned6", &Scene::turned, true, false, 3},
                        Case{"BM_Open14000x14000Png", &Scene::black, true, false, 3},
                        Case{"BM_Drop14000x14000Png", &Scene::black, true, true, 3},
                        Case{"BM_Refuse30000x30000Png", &Scene::bomb, false, false, 10}}) {
    benchmark::RegisterBenchmark(c.name, BM_Photo, c.photo, c.opens, c.dropped)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(c.iterations);
  }
  return true;
}();

}  // namespace
