#include "document/Set2DThread.h"

#include <vector>

using namespace kestrum::colour;

namespace {

// Each channel's value as a function object, so every pair gets a loop of its own.
struct HueOf {
  int operator()(QRgb c) const { return rgbToHue(c) & 0xFF; }
};
struct LightnessOf {
  int operator()(QRgb c) const { return rgbToLightness(c) & 0xFF; }
};
struct SaturationOf {
  int operator()(QRgb c) const { return rgbToSaturation(c) & 0xFF; }
};
struct RedOf {
  int operator()(QRgb c) const { return qRed(c); }
};
struct GreenOf {
  int operator()(QRgb c) const { return qGreen(c); }
};
struct BlueOf {
  int operator()(QRgb c) const { return qBlue(c); }
};

constexpr int pair(channel horizontal, channel vertical) {
  return int(horizontal) * 8 + int(vertical);
}

}  // namespace

Set2DThread::Set2DThread(QObject* parent) : HighlightThread(parent) {
  plane_ = QImage(256, 256, QImage::Format_Mono);
  plane_.fill(0);
}

void Set2DThread::setSelection(const QImage& plane) {
  QImage mono =
      plane.size() == QSize(256, 256) ? plane.convertToFormat(QImage::Format_Mono) : QImage();
  if (mono.isNull()) {
    mono = QImage(256, 256, QImage::Format_Mono);
    mono.fill(0);
  }
  plane_ = mono;
}

void Set2DThread::process() {
  // The plane as one byte a pair: row vertical, column horizontal.
  std::vector<uint8_t> on(256 * 256);
  for (int y = 0; y < 256; ++y) {
    const uchar* row = plane_.constScanLine(y);
    for (int x = 0; x < 256; ++x)
      on[size_t(y) * 256 + size_t(x)] = (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
  auto loop = [&](auto horizontal, auto vertical) {
    highlightPixels([&](QRgb c) { return on[size_t(vertical(c)) * 256 + size_t(horizontal(c))]; });
  };
  runGuarded([&] {
    switch (pair(horizontal_, vertical_)) {
      case pair(Hue, Lightness):
        loop(HueOf(), LightnessOf());
        break;
      case pair(Hue, Saturation):
        loop(HueOf(), SaturationOf());
        break;
      case pair(Lightness, Hue):
        loop(LightnessOf(), HueOf());
        break;
      case pair(Lightness, Saturation):
        loop(LightnessOf(), SaturationOf());
        break;
      case pair(Saturation, Hue):
        loop(SaturationOf(), HueOf());
        break;
      case pair(Saturation, Lightness):
        loop(SaturationOf(), LightnessOf());
        break;
      case pair(Red, Green):
        loop(RedOf(), GreenOf());
        break;
      case pair(Red, Blue):
        loop(RedOf(), BlueOf());
        break;
      case pair(Green, Red):
        loop(GreenOf(), RedOf());
        break;
      case pair(Green, Blue):
        loop(GreenOf(), BlueOf());
        break;
      case pair(Blue, Red):
        loop(BlueOf(), RedOf());
        break;
      case pair(Blue, Green):
        loop(BlueOf(), GreenOf());
        break;
      default:
        break;
    }
  });
}
