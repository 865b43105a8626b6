#pragma once

// What the document's benchmarks share: the photo they cut out and a wait for the command
// thread.

#include <algorithm>
#include <cmath>
#include <random>

#include <QEventLoop>
#include <QImage>
#include <QLoggingCategory>

#include "document/CorvaneThread.h"

// A lit orange disc on a woven blue-green ground with noise, the subject of the cut-out: centre
// (width / 2, height * 0.52), radius a third of the height.
inline QImage subjectOnGround(int width, int height) {
  QImage photo(width, height, QImage::Format_RGB32);
  const double cx = width * 0.5, cy = height * 0.52, radius = height * 0.33;
  std::mt19937 rng(7);
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - cx, y - cy);
      const double weave = 12.0 * std::sin(x * 0.05) * std::sin(y * 0.045);
      const double a = std::clamp((radius - d) / 10.0 + 0.5, 0.0, 1.0);
      const double shade = 0.65 + 0.35 * std::max(0.0, ((cx - x) + (cy - y)) / (2.0 * radius));
      const int noise = int(rng() % 13) - 6;
      auto mix = [&](double f, double b) {
        return std::clamp(int(a * f + (1 - a) * b) + noise, 0, 255);
      };
      line[x] = qRgb(mix(235 * shade, 40 + 30.0 * y / height + weave),
                     mix(120 * shade, 90 + 60.0 * x / width + weave),
                     mix(40 * shade, 150 + 50.0 * (1.0 - double(y) / height)));
    }
  }
  return photo;
}

// Runs the event loop until `thread` holds no command.
inline void waitIdle(CorvaneThread* thread) {
  while (thread->isBusy()) {
    QEventLoop loop;
    QObject::connect(thread, &CorvaneThread::queueEmptied, &loop, &QEventLoop::quit);
    QObject::connect(thread, &CorvaneThread::closureComplete, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

// The document logs every command; the benchmarks' output stays readable without it.
inline void quietLog() {
  QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
}
