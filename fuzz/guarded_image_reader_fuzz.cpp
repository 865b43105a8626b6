// The guarded image reader on arbitrary bytes: it must answer an image or a reason, never crash,
// and never decode more pixels than its limit. A lower limit than the product's keeps each run
// short; the scaled path runs on every other input.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>

#include "kestrum/qt/GuardedImageReader.h"

namespace {
constexpr qint64 kFuzzMaxPixels = 4'000'000;

// Qt 5.15's offscreen platform never frees the screen it adds; held here, it stays reachable
// and the leak checker of the replay in the sanitizer build does not count it.
QScreen* volatile offscreenScreen = nullptr;

QGuiApplication& application() {
  static int argc = 1;
  static char name[] = "guarded_image_reader_fuzz";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(argc, argv);
  offscreenScreen = QGuiApplication::primaryScreen();
  return app;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  application();
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
  const QSize bounding = size % 2 ? QSize(64, 64) : QSize();
  for (const QByteArray& format : {QByteArray(), QByteArrayLiteral("tga")}) {
    const kestrum::GuardedImageReader::Result result =
        kestrum::GuardedImageReader::readData(bytes, bounding, kFuzzMaxPixels, format);
    if (result.ok() == result.image.isNull()) std::abort();
    if (qint64(result.image.width()) * result.image.height() > kFuzzMaxPixels) std::abort();
  }
  return 0;
}
