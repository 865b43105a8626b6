// Opening a photo from a file through the file handler, the road of the command line, the open
// dialog, the recent files and the platform's open-file event (and, from the source image on,
// of "--aperture"): a 150-megapixel JPEG of a medium-format camera (14204 x 10652) opens,
// against 3 s and a peak resident size of 1 GB; a 2.6 MB PNG of zero rows declaring 30000 x
// 30000 pixels is refused from its header, against 100 ms and 150 MB. The time is that of
// FileHandler::loadImage; the engine's session on the opened photo is waited for outside it.
// Both files are made at run time in the run's temporary folder. The peak is the process's
// high-water mark of resident memory, reset before each open (/proc/self/clear_refs).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "../document/DocumentBenchSupport.h"
#include "BenchTeardown.h"
#include "FileHandlerScene.h"
#include "ImageFiles.h"
#include "app/FileHandler.h"
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

struct Scene : FileHandlerScene {
  Scene() {
    camera = folder.filePath(QStringLiteral("camera.jpg"));
    bomb = folder.filePath(QStringLiteral("bomb.png"));
    QFile bombFile(bomb);
    made = writeCameraJpeg(camera) && bombFile.open(QIODevice::WriteOnly) &&
           bombFile.write(zarvo_test::pngOfZeroRows(30000, 30000)) > 0;
  }

  // Opens `path` timed, with the peak of the open; the document is closed again untimed.
  void open(benchmark::State& state, const QString& path, bool expected) {
    double peak = 0;
    for (auto _ : state) {
      state.PauseTiming();
      GmModel::instance()->finish();
      waitIdle(thread.get());
      if (!resetPeakResident()) state.SkipWithError("the peak cannot be reset");
      state.ResumeTiming();
      const bool opened = handler->loadImage(path);
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
  QString camera, bomb;
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

void BM_Open150MegapixelJpeg(benchmark::State& state) {
  Scene& s = scene(state);
  s.open(state, s.camera, true);
  state.counters["megapixels"] = kCameraWidth * double(kCameraHeight) / 1e6;
}

void BM_Refuse30000x30000Png(benchmark::State& state) {
  Scene& s = scene(state);
  s.open(state, s.bomb, false);
}

BENCHMARK(BM_Open150MegapixelJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Refuse30000x30000Png)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
