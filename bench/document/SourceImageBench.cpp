#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include "document/TsSourceImage.h"
#include "kestrum/image/PixelBuffer.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;  // 12 megapixels

// The document's automatic choice: halve until at most 4,000,000 pixels a step, at most 8.
int chosenResolution(qint64 pixels) {
  int r = 1;
  while (pixels / r > 4000000 && r < 8) r *= 2;
  return r;
}

// Smooth gradients with noise, shaped like a photograph rather than uniform noise.
QImage syntheticPhoto() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  std::mt19937 random(3);
  for (int y = 0; y < kHeight; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t noise = random();
      line[x] =
          qRgb(x / 16 + (noise & 15), y / 12 + (noise >> 4 & 15), (x + y) / 28 + (noise >> 8 & 15));
    }
  }
  return image;
}

// A Motorola-order Exif segment holding orientation 6 alone.
QByteArray orientationSixSegment() {
  static const char body[] =
      "Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0";
  const QByteArray exif(body, sizeof body - 1);
  const int length = exif.size() + 2;
  return QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + exif;
}

// A 12-megapixel JPEG written by Qt and tagged orientation 6, opened to a ready working image.
void BM_JpegToWorkingImage(benchmark::State& state) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("photo.jpg"));
  {
    const QString plain = folder.filePath(QStringLiteral("plain.jpg"));
    syntheticPhoto().save(plain, "JPEG", 90);
    QFile in(plain);
    in.open(QIODevice::ReadOnly);
    const QByteArray jpeg = in.readAll();
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(jpeg.left(2) + orientationSixSegment() + jpeg.mid(2));
  }
  for (auto _ : state) {
    TsSourceImage image(path);
    const QSize size = image.displayImage().size();
    const QImage& working =
        image.prepareWorkingImage(chosenResolution(qint64(size.width()) * size.height()));
    if (!image.isValid() || working.isNull() || size.width() > size.height())
      state.SkipWithError("not opened upright");
    benchmark::DoNotOptimize(working.constBits());
  }
}
BENCHMARK(BM_JpegToWorkingImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// A host's 12-megapixel 64-bit buffer with padded rows, to a ready working image at the
// resolution the document chooses for it.
void BM_Buffer64ToWorkingImage(benchmark::State& state) {
  const uint32_t stride = kWidth * 8 + 96;
  std::vector<unsigned char> memory(size_t(stride) * kHeight);
  std::mt19937 random(5);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<kestrum::Pixel64*>(memory.data() + size_t(y) * stride);
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t noise = random() & 511;
      row[x] = kestrum::Pixel64{
          {uint16_t(x * 6 + noise), uint16_t(y * 9 + noise), uint16_t((x + y) * 4 + noise), 32768}};
    }
  }
  const kestrum::PixelView64 host(kWidth, kHeight,
                                  reinterpret_cast<kestrum::Pixel64*>(memory.data()), stride);
  const int r = chosenResolution(qint64(kWidth) * kHeight);
  for (auto _ : state) {
    TsSourceImage image(host, QStringLiteral("host"));
    const QImage& working = image.prepareWorkingImage(r);
    if (working.width() != (kWidth + r - 1) / r) state.SkipWithError("no working image");
    benchmark::DoNotOptimize(working.constBits());
  }
  state.counters["resolution"] = r;
}
BENCHMARK(BM_Buffer64ToWorkingImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// The init log line would otherwise fill the output.
const bool quiet = [] {
  QLoggingCategory::setFilterRules(QStringLiteral("default.info=false"));
  return true;
}();

}  // namespace
