#pragma once

// Real photographs for the engine's benchmarks and its cut-out checks: Debian's
// mate-backgrounds wallpapers (the nature/ photos and the large elephants), each scaled to the
// application's working size (1280 pixels on the long side) or to 12 megapixels, with a trimap
// drawn over it. Real textures make several times more regions per pixel than the synthetic
// scenes, so these are the pictures whose timings a user feels.

#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace real_photos {

inline const char* const kFolder = "/usr/share/backgrounds/mate/";

// The photographs in a fixed order: a benchmark argument is an index into this list.
inline const std::vector<std::string>& names() {
  static const std::vector<std::string> list = {"nature/Aqua.jpg",
                                                "nature/Blinds.jpg",
                                                "nature/Dune.jpg",
                                                "nature/FreshFlower.jpg",
                                                "nature/Garden.jpg",
                                                "nature/GreenMeadow.jpg",
                                                "nature/LadyBird.jpg",
                                                "nature/RainDrops.jpg",
                                                "nature/Storm.jpg",
                                                "nature/TwoWings.jpg",
                                                "nature/Wood.jpg",
                                                "nature/YellowFlower.jpg",
                                                "abstract/Elephants_5640x3172.jpg"};
  return list;
}

// The two sizes: the working size of a photo opened from a file, and a 12-megapixel camera
// picture analysed at resolution 1.
enum Size { kWorking = 0, kTwelveMegapixels = 1 };

inline const char* sizeName(int size) {
  return size == kWorking ? "1280" : "12mp";
}

// The short name of photo `index`, such as "Aqua" or "Elephants_5640x3172".
inline std::string shortName(int index) {
  std::string name = names()[size_t(index)];
  name = name.substr(name.find('/') + 1);
  return name.substr(0, name.rfind('.'));
}

// Photo `index` at `size` as four 8-bit channels (blue, green, red, alpha in memory: the
// engine's pixel type 1); a null image when the package is not installed.
inline QImage load(int index, int size) {
  QImage source(QString::fromLatin1(kFolder) + QString::fromStdString(names()[size_t(index)]));
  if (source.isNull()) return QImage();
  const double w = source.width(), h = source.height();
  const double scale = size == kWorking ? 1280.0 / std::max(w, h) : std::sqrt(12.0e6 / (w * h));
  const int width = int(std::lround(w * scale)), height = int(std::lround(h * scale));
  return source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_ARGB32);
}

// The trimap over a width x height picture, one byte a pixel as the cut-out driver reads
// trimap files: a centred disc of Keep (255) inside a ring of Blend (128) on Delete (0).
inline std::vector<uint8_t> trimap(int width, int height) {
  std::vector<uint8_t> out(size_t(width) * size_t(height));
  const double side = std::min(width, height);
  const double inner = 0.3 * side, outer = 0.34 * side;
  const double cx = width * 0.5, cy = height * 0.5;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      out[size_t(y) * size_t(width) + size_t(x)] = d < inner ? 255 : d < outer ? 128 : 0;
    }
  }
  return out;
}

}  // namespace real_photos
