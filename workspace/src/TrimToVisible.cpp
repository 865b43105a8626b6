#include "workspace/TrimToVisible.h"

#include <algorithm>

#include <QRgb>

namespace {

bool visible(QRgb pixel) {
  return qAlpha(pixel) != 0;
}

}  // namespace

QImage trimToVisible(const QImage& image) {
  if (image.isNull()) return QImage();
  QImage trimmed;
  if (!image.hasAlphaChannel()) {
    trimmed = image.copy();
    trimmed.setOffset(QPoint(0, 0));
    return trimmed;
  }
  // Alpha sits in the top byte of both 32-bit forms with alpha; every other form is read
  // through a converted copy (a raw 32-bit read would run past the rows of narrower ones).
  const bool direct = image.format() == QImage::Format_ARGB32 ||
                      image.format() == QImage::Format_ARGB32_Premultiplied;
  const QImage argb = direct ? image : image.convertToFormat(QImage::Format_ARGB32);
  const int width = argb.width(), height = argb.height();
  auto row = [&argb](int y) { return reinterpret_cast<const QRgb*>(argb.constScanLine(y)); };
  auto rowVisible = [&](int y) {
    const QRgb* line = row(y);
    return std::any_of(line, line + width, visible);
  };

  int top = 0;
  while (top < height && !rowVisible(top)) ++top;
  if (top == height) return QImage();
  int bottom = height;  // exclusive
  while (bottom - 1 > top && !rowVisible(bottom - 1)) --bottom;
  int left = width, right = 0;  // right exclusive
  for (int y = top; y < bottom; ++y) {
    const QRgb* line = row(y);
    for (int x = 0; x < left; ++x)
      if (visible(line[x])) {
        left = x;
        break;
      }
    for (int x = width - 1; x >= right; --x)
      if (visible(line[x])) {
        right = x + 1;
        break;
      }
  }
  trimmed = image.copy(left, top, right - left, bottom - top);
  trimmed.setOffset(QPoint(left, top));
  return trimmed;
}
