#include "document/Set1DThread.h"

#include <array>

using namespace kestrum::colour;

Set1DThread::Set1DThread(QObject* parent) : HighlightThread(parent), selection_(256, false) {}

void Set1DThread::setSelection(const std::vector<bool>& selection) {
  selection_.assign(256, false);
  for (size_t i = 0; i < selection.size() && i < 256; ++i) selection_[i] = selection[i];
}

void Set1DThread::process() {
  std::array<bool, 256> on{};
  for (size_t i = 0; i < 256; ++i) on[i] = selection_[i];
  runGuarded([&] {
    switch (channel_) {
      case Hue:
        highlightPixels([&](QRgb c) { return on[rgbToHue(c) & 0xFF]; });
        break;
      case Lightness:
        highlightPixels([&](QRgb c) { return on[rgbToLightness(c) & 0xFF]; });
        break;
      case Saturation:
        highlightPixels([&](QRgb c) { return on[rgbToSaturation(c) & 0xFF]; });
        break;
      case Red:
        highlightPixels([&](QRgb c) { return on[qRed(c)]; });
        break;
      case Green:
        highlightPixels([&](QRgb c) { return on[qGreen(c)]; });
        break;
      case Blue:
        highlightPixels([&](QRgb c) { return on[qBlue(c)]; });
        break;
    }
  });
}
