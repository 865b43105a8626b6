#include "composition/ShadowMasks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <QPolygon>

#include "kestrum/qt/ProcessorThread.h"
#include "kestrum/qt/RowBands.h"

namespace {

int nearest(double x) {
  return int(std::floor(x + 0.5));
}

constexpr QRgb grey(int g) {
  return 0xFF000000u | QRgb(g) * 0x010101u;
}

// The summed-area table of a source's alpha laid on a zero plane with `lead` columns and rows
// before the source and `lead + 2` after it, so that no box of the flat mask needs clipping.
// Entry (y, x) is the sum over the plane's rows < y and columns < x. Cumulative sums of a very
// large image pass 2^32; unsigned arithmetic wraps, and every box sum (a difference of four
// entries, far below 2^32) still comes out exact.
struct AlphaTable {
  std::unique_ptr<std::uint32_t[]> sums;  // not zeroed: every entry is written once
  std::size_t stride = 0;
  const std::uint32_t* row(int y) const { return sums.get() + std::size_t(y) * stride; }
  std::uint32_t* row(int y) { return sums.get() + std::size_t(y) * stride; }
};

bool buildAlphaTable(const QImage& argb, int lead, const ShadowStop& stopped, AlphaTable* table) {
  const int w = argb.width(), h = argb.height();
  const int planeW = w + 2 * lead + 2, planeH = h + 2 * lead + 2;
  table->stride = std::size_t(planeW) + 1;
  table->sums.reset(new std::uint32_t[table->stride * std::size_t(planeH + 1)]);
  std::fill(table->row(0), table->row(1), 0u);
  for (int py = 0; py < planeH; ++py) {
    if (stopped()) return false;
    const std::uint32_t* up = table->row(py) + 1;
    std::uint32_t* out = table->row(py + 1) + 1;
    out[-1] = 0;
    const int sy = py - lead;
    if (sy < 0 || sy >= h) {
      std::copy(up, up + planeW, out);
      continue;
    }
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(sy));
    std::uint32_t run = 0;
    int px = 0;
    for (; px < lead; ++px) out[px] = up[px];
    for (int sx = 0; sx < w; ++sx, ++px) {
      run += std::uint32_t(qAlpha(line[sx]));
      out[px] = up[px] + run;
    }
    for (; px < planeW; ++px) out[px] = up[px] + run;
  }
  return true;
}

// One row of the flat mask: the pyramid sum around (x - R, y - R) as R + 1 boxes of half-width
// 0 .. R, each four table entries.
template <int R>
void flatMaskRow(const AlphaTable& table, int y, int width, const std::uint8_t* lut, QRgb* line) {
  const std::uint32_t* top[R + 1];
  const std::uint32_t* bottom[R + 1];
  for (int k = 0; k <= R; ++k) {
    top[k] = table.row(y + R - k);
    bottom[k] = table.row(y + R + k + 1);
  }
  for (int x = 0; x < width; ++x) {
    std::uint32_t sum = 0;
    for (int k = 0; k <= R; ++k) {
      const int left = x + R - k, right = x + R + k + 1;
      sum += bottom[k][right] - bottom[k][left] - top[k][right] + top[k][left];
    }
    line[x] = grey(lut[sum]);
  }
}

using FlatRow = void (*)(const AlphaTable&, int, int, const std::uint8_t*, QRgb*);

FlatRow flatRowFor(int radius) {
  switch (radius) {
    case 1:
      return flatMaskRow<1>;
    case 2:
      return flatMaskRow<2>;
    case 3:
      return flatMaskRow<3>;
    case 4:
      return flatMaskRow<4>;
    default:
      return flatMaskRow<5>;
  }
}

}  // namespace

ShadowKernel ShadowKernel::pyramid(int radius) {
  ShadowKernel kernel;
  const int r = std::clamp(radius, kMinRadius, kMaxRadius);
  kernel.radius = r;
  int sum = 0;
  for (int i = 0; i <= 2 * r; ++i)
    for (int j = 0; j <= 2 * r; ++j) {
      const int w = std::min(r - std::abs(r - i), r - std::abs(r - j)) + 1;
      kernel.weights[i][j] = w;
      sum += w;
    }
  kernel.sum = float(sum);
  return kernel;
}

bool flatShadowMask(const QImage& source, const ShadowKernel& kernel, const ShadowStop& stopped,
                    QImage* mask) {
  if (source.isNull()) {
    *mask = QImage();
    return true;
  }
  const QImage argb = kestrum::convertedImage(source, QImage::Format_ARGB32);
  const int r = kernel.radius;
  AlphaTable table;
  if (!buildAlphaTable(argb, 2 * r, stopped, &table)) return false;

  // The grey of every possible weighted sum, as the text computes it: nearest(sum / kernelSum)
  // in single precision. No quotient lies near a tie, so the rounding is unambiguous.
  const int maxSum = int(kernel.sum) * 255;
  std::vector<std::uint8_t> lut(std::size_t(maxSum) + 1);
  for (int s = 0; s <= maxSum; ++s)
    lut[std::size_t(s)] = std::uint8_t(nearest(double(float(s) / kernel.sum)));

  const int pad = r + 1;
  QImage out = kestrum::allocateImage(argb.size() + QSize(2 * pad, 2 * pad), QImage::Format_RGB32);
  uchar* const bits = out.bits();
  const qsizetype bytesPerLine = out.bytesPerLine();
  const int width = out.width();
  const FlatRow row = flatRowFor(r);
  const bool complete = kestrum::forEachRow(out.height(), stopped, [&](int y) {
    row(table, y, width, lut.data(), reinterpret_cast<QRgb*>(bits + std::size_t(y) * bytesPerLine));
  });
  if (!complete) return false;
  *mask = out;
  return true;
}

QPoint flatShadowOffset(const QSize& size, double direction, double length, int radius) {
  return QPoint(int(size.width() * std::sin(direction) * length * -0.1) - radius,
                int(size.height() * std::cos(direction) * length * 0.1) - radius);
}

bool standingShadowProjection(const QImage& source, double direction, double length,
                              const ShadowStop& stopped, QImage* mask, bool* flipped) {
  *flipped = false;
  if (source.isNull()) {
    *mask = QImage();
    return true;
  }
  const QImage argb = kestrum::convertedImage(source, QImage::Format_ARGB32);
  const int w = argb.width(), h = argb.height();
  const QPoint origin = source.offset();

  // The foot: the lowest row with an opaque pixel, mid-way between its first and last one.
  int footRow = -1, first = 0, last = 0;
  for (int y = h - 1; y >= 0 && footRow < 0; --y) {
    if (stopped()) return false;
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    int f = 0;
    while (f < w && qAlpha(line[f]) == 0) ++f;
    if (f == w) continue;
    int l = w - 1;
    while (qAlpha(line[l]) == 0) --l;
    footRow = y;
    first = f;
    last = l;
  }
  if (footRow < 0) {
    *mask = QImage();  // nothing opaque casts a shadow
    return true;
  }
  const int m = (first + last) / 2;
  const float u = float(m) / float(w);
  const QPoint foot(m + origin.x(), footRow - 1 + origin.y());
  const int dy = int(h * std::cos(direction) * length);
  const QPoint tip = foot + QPoint(int(-(w * std::sin(direction) * length)), dy);
  const double s = 1.0 + 0.4 * length * std::cos(direction);

  const QPolygon quad({QPoint(origin.x() + w - 1, origin.y() + h - 1),
                       QPoint(origin.x(), origin.y() + h - 1),
                       QPoint(tip.x() + int(w * -u * s), tip.y()),
                       QPoint(tip.x() + int(w * (1.0f - u) * s), tip.y())});
  const QRect box = quad.boundingRect();
  QImage out = kestrum::allocateImage(box.size(), QImage::Format_ARGB32);
  const int hs = box.height(), sx = box.left(), boxWidth = box.width();
  const bool flip = dy > 0;
  uchar* const bits = out.bits();
  const qsizetype bytesPerLine = out.bytesPerLine();
  const bool complete = kestrum::forEachRow(hs, stopped, [&](int y) {
    const float v = float(y) / float(hs);
    const float k = (1.0f - v) * float(s) + v;
    const float cx = float(foot.x()) + (1.0f - v) * float(tip.x() - foot.x());
    const int xStart = nearest(double(cx - (float(w) * k * u + float(sx))));
    const int xEnd = nearest(double(cx - float(sx) + float(w) * k * (1.0f - u)));
    const int span = xEnd - xStart;
    // Towards the tip the silhouette is foreshortened: the source rows bunch up there.
    const double fromTip = double(hs - y) / hs;
    const int sourceRow = std::clamp(int(h * (1.0 - fromTip * fromTip)), 0, h - 1);
    const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(sourceRow));
    QRgb* line = reinterpret_cast<QRgb*>(bits + std::size_t(flip ? hs - 1 - y : y) * bytesPerLine);
    // Black around the span; every row is written whole, so the mask needs no fill first.
    const int from = std::max(0, -xStart), to = std::max(from, std::min(span, boxWidth - xStart));
    std::fill(line, line + std::clamp(xStart + from, 0, boxWidth), grey(0));
    for (int n = from; n < to; ++n) {
      const int sourceColumn = std::min(int(float(w) * (float(n) / float(span))), w - 1);
      line[xStart + n] = grey(qAlpha(in[sourceColumn]));
    }
    std::fill(line + std::clamp(xStart + to, 0, boxWidth), line + boxWidth, grey(0));
  });
  if (!complete) return false;
  out.setOffset(box.topLeft());
  *mask = out;
  *flipped = flip;
  return true;
}

QImage withBlurRoom(const QImage& mask, int margin) {
  if (mask.isNull()) return QImage();
  margin = std::max(margin, 0);
  QImage room =
      kestrum::allocateImage(mask.size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32);
  room.fill(grey(0));
  const std::size_t rowBytes = std::size_t(mask.width()) * sizeof(QRgb);
  for (int y = 0; y < mask.height(); ++y)
    std::memcpy(room.scanLine(y + margin) + std::size_t(margin) * sizeof(QRgb),
                mask.constScanLine(y), rowBytes);
  room.setOffset(mask.offset() - QPoint(margin, margin));
  return room;
}
