#pragma once

#include <cstdint>
#include <random>

#include <QImage>
#include <QPainter>

// Seeded pictures for the composition benchmarks: smooth gradients with shapes and grain, so
// that encoders and filters meet something like a photograph rather than pure noise.
inline QImage benchPhoto(int width, int height, std::uint32_t seed, bool withAlpha = false) {
  std::mt19937 random(seed);
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x)
      line[x] =
          qRgba((x * 255) / width, (y * 255) / height, ((x + y) * 127) / (width + height), 255);
  }
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::uniform_int_distribution<int> coordinate(0, std::max(width, height));
    std::uniform_int_distribution<int> channel(0, 255);
    for (int i = 0; i < 40; ++i) {
      painter.setBrush(QColor(channel(random), channel(random), channel(random)));
      painter.setPen(Qt::NoPen);
      const int size = coordinate(random) / 4 + 8;
      painter.drawEllipse(coordinate(random) - size / 2, coordinate(random) - size / 2, size, size);
    }
  }
  std::uniform_int_distribution<int> grain(-12, 12);
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const QRgb p = line[x];
      const int g = grain(random);
      int alpha = 255;
      if (withAlpha) {
        const double dx = (x - width / 2.0) / (width / 2.0),
                     dy = (y - height / 2.0) / (height / 2.0);
        const double r = dx * dx + dy * dy;
        alpha = r < 0.5 ? 255 : r < 0.6 ? int(255 * (0.6 - r) / 0.1) : 0;
      }
      line[x] = qRgba(qBound(0, qRed(p) + g, 255), qBound(0, qGreen(p) + g, 255),
                      qBound(0, qBlue(p) + g, 255), alpha);
    }
  }
  return image;
}
