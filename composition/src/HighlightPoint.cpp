#include "composition/HighlightPoint.h"

#include <new>

#include <QPainter>
#include <QRadialGradient>

#include "kestrum/qt/ProcessorThread.h"

namespace {
bool aborted(const std::atomic<bool>* abort) {
  return abort && abort->load();
}
}  // namespace

void drawHighlightPoint(QPainter& painter, const HighlightPoint& point) {
  QRadialGradient gradient(point.position, point.radius, point.position);
  gradient.setColorAt(0.0, QColor(255, 255, 255, point.intensity));
  gradient.setColorAt(1.0, QColor(255, 255, 255, 0));
  painter.setBrush(gradient);
  painter.setPen(Qt::transparent);
  const int size = 2 * point.radius + 2;
  painter.drawEllipse(int(point.position.x() - point.radius - 1.0),
                      int(point.position.y() - point.radius - 1.0), size, size);
}

QImage composeHighlight(const QList<HighlightPoint>& points, const QImage& source,
                        QImage& fullyHighlit, const std::atomic<bool>* abort) {
  // Without a cut-out there is nothing to draw on: a painter would refuse the null image.
  if (fullyHighlit.isNull() || source.isNull()) return source.copy();
  fullyHighlit = kestrum::convertedImage(fullyHighlit, QImage::Format_ARGB32);
  QImage mask = kestrum::allocateImage(fullyHighlit.size(), QImage::Format_RGB32);
  mask.fill(Qt::black);
  {
    QPainter painter(&mask);
    for (const HighlightPoint& point : points) {
      if (aborted(abort)) return source.copy();
      drawHighlightPoint(painter, point);
    }
  }
  const int width = fullyHighlit.width();
  for (int y = 0; y < fullyHighlit.height(); ++y) {
    if (aborted(abort)) return source.copy();
    const QRgb* grey = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    QRgb* pixel = reinterpret_cast<QRgb*>(fullyHighlit.scanLine(y));
    for (int x = 0; x < width; ++x)
      pixel[x] = (pixel[x] & 0x00FFFFFFu) | (QRgb(qRed(grey[x])) << 24);
  }
  // A painter cannot draw on an indexed image: such a cut-out is highlit as its ARGB32 form.
  QImage result = source.format() == QImage::Format_Indexed8
                      ? kestrum::convertedImage(source, QImage::Format_ARGB32)
                      : source.copy();
  if (result.isNull() && !source.isNull()) throw std::bad_alloc();
  QPainter painter(&result);
  painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
  painter.drawImage(0, 0, fullyHighlit);
  return result;
}
