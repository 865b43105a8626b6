// Draws the sample photo and trimap the cut-out driver runs on: a lit, shaded disc with a
// soft rim in front of a textured, graded background, and the matching trimap (255 Keep,
// 0 Delete, 128 Blend along the rim). With --photos it writes instead the real photographs of
// the engine's benchmarks at both their sizes, each with its trimap, named NAME-SIZE.png and
// NAME-SIZE-trimap.png.
//
//   corvane-sample OUTDIR [--size WIDTHxHEIGHT | --photos]

#include <QDir>
#include <QImage>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "corvane/RealPhotos.h"

namespace {

int writePhotos(const QString& dir) {
  for (int index = 0; index < int(real_photos::names().size()); ++index) {
    for (int size : {real_photos::kWorking, real_photos::kTwelveMegapixels}) {
      const QImage photo = real_photos::load(index, size);
      if (photo.isNull()) {
        std::fprintf(stderr, "corvane-sample: cannot read %s%s (package mate-backgrounds)\n",
                     real_photos::kFolder, real_photos::names()[size_t(index)].c_str());
        return 1;
      }
      const std::vector<uint8_t> bytes = real_photos::trimap(photo.width(), photo.height());
      QImage trimap(photo.width(), photo.height(), QImage::Format_Grayscale8);
      for (int y = 0; y < photo.height(); ++y)
        std::copy_n(&bytes[size_t(y) * size_t(photo.width())], photo.width(), trimap.scanLine(y));
      const QString base = dir + "/" + QString::fromStdString(real_photos::shortName(index)) + "-" +
                           real_photos::sizeName(size);
      if (!photo.save(base + ".png") || !trimap.save(base + "-trimap.png")) {
        std::fprintf(stderr, "corvane-sample: cannot write into %s\n", dir.toLocal8Bit().data());
        return 1;
      }
      std::printf("%s\n", (base + ".png").toLocal8Bit().constData());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvane-sample OUTDIR [--size WIDTHxHEIGHT | --photos]\n");
    return 2;
  }
  int width = 4000, height = 3000;
  bool photos = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--photos") == 0) {
      photos = true;
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
          width > 20000 || height > 20000) {
        std::fprintf(stderr, "corvane-sample: bad --size %s\n", argv[i]);
        return 2;
      }
    } else {
      std::fprintf(stderr, "corvane-sample: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "corvane-sample: cannot create %s\n", argv[1]);
    return 1;
  }
  if (photos) return writePhotos(dir);

  QImage photo(width, height, QImage::Format_RGB32);
  QImage trimap(width, height, QImage::Format_Grayscale8);
  const double cx = width * 0.5, cy = height * 0.52, radius = std::min(width, height) * 0.33;
  const double rim = std::max(3.0, radius * 0.03);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < height; ++y) {
    QRgb* p = reinterpret_cast<QRgb*>(photo.scanLine(y));
    uchar* t = trimap.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - cx, y - cy);
      // Background: a blue-green grade with a coarse weave.
      const double weave = 12.0 * std::sin(x * 0.05) * std::sin(y * 0.045);
      double br = 40 + 30.0 * y / height + weave, bg = 90 + 60.0 * x / width + weave,
             bb = 150 + 50.0 * (1.0 - double(y) / height);
      // Subject: an orange disc lit from the upper left.
      const double shade = 0.65 + 0.35 * std::max(0.0, ((cx - x) + (cy - y)) / (2.0 * radius));
      const double fr = 235 * shade, fg = 120 * shade, fb = 40 * shade;
      const double a = std::clamp((radius - d) / rim + 0.5, 0.0, 1.0);
      auto mix = [&](double f, double b) {
        return std::clamp(int(std::lround(a * f + (1.0 - a) * b)) + noise(rng), 0, 255);
      };
      p[x] = qRgb(mix(fr, br), mix(fg, bg), mix(fb, bb));
      t[x] = d < radius - 2.0 * rim ? 255 : d > radius + 2.0 * rim ? 0 : 128;
    }
  }
  const QString photoPath = dir + "/sample-photo.png", trimapPath = dir + "/sample-trimap.png";
  if (!photo.save(photoPath) || !trimap.save(trimapPath)) {
    std::fprintf(stderr, "corvane-sample: cannot write into %s\n", argv[1]);
    return 1;
  }
  std::printf("%s\n%s\n", photoPath.toLocal8Bit().constData(),
              trimapPath.toLocal8Bit().constData());
  return 0;
}
