#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <QImage>

#include "kestrum/qt/AbortableThread.h"
#include "kestrum/qt/GaussBlur.h"

namespace kestrum_test {

// A non-premultiplied ARGB32 image of seeded random bytes.
inline QImage randomImage(int width, int height, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    uchar* line = image.scanLine(y);
    for (int i = 0; i < width * 4; ++i) line[i] = uchar(byte(random));
  }
  return image;
}

inline QImage uniformImage(int width, int height, QRgb value) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(value);
  return image;
}

inline bool sameBytes(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return false;
  for (int y = 0; y < a.height(); ++y)
    if (!std::equal(a.constScanLine(y), a.constScanLine(y) + a.width() * 4, b.constScanLine(y)))
      return false;
  return true;
}

// The blur rule written out plainly over whole images: row sums, then column sums, then the
// exact in-image weight sum as divisor and rounding to nearest. Samples outside count 0.
inline QImage referenceBlur(const QImage& input, float s, unsigned channels) {
  const int w = input.width();
  const int h = input.height();
  const int r = kestrum::gaussRadius(s);
  if (r + 1 > w || r + 1 > h) return input;
  auto weight = [&](int x) { return std::exp(-double(x) * x / (8.0 * double(s) * double(s))); };
  auto sample = [&](int x, int y, int c) -> double {
    if (x < 0 || x >= w || y < 0 || y >= h) return 0.0;
    return input.constScanLine(y)[x * 4 + c];
  };
  std::vector<double> rows(std::size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        double sum = weight(0) * sample(x, y, c);
        for (int t = 1; t <= r; ++t)
          sum = std::fma(weight(t), sample(x - t, y, c) + sample(x + t, y, c), sum);
        rows[(std::size_t(y) * w + x) * 4 + c] = sum;
      }
  auto rowSum = [&](int x, int y, int c) -> double {
    if (y < 0 || y >= h) return 0.0;
    return rows[(std::size_t(y) * w + x) * 4 + c];
  };
  auto inLine = [&](int k, int n) {
    double sum = weight(0);
    for (int t = 1; t <= r; ++t) sum = std::fma(weight(t), double((k - t >= 0) + (k + t < n)), sum);
    return sum;
  };
  QImage out(input.size(), QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        uchar value = input.constScanLine(y)[x * 4 + c];
        if (channels & (1u << c)) {
          double sum = weight(0) * rowSum(x, y, c);
          for (int t = 1; t <= r; ++t)
            sum = std::fma(weight(t), rowSum(x, y - t, c) + rowSum(x, y + t, c), sum);
          double q = sum / (inLine(x, w) * inLine(y, h)) + 0.5;
          q = std::min(std::max(q, 0.0), 255.0);
          value = uchar(int(q));
        }
        out.scanLine(y)[x * 4 + c] = value;
      }
  return out;
}

// Starts a processor and joins it.
inline void runToEnd(kestrum::AbortableThread& thread) {
  thread.start();
  thread.wait();
}

}  // namespace kestrum_test
