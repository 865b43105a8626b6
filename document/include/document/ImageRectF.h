#pragma once

#include <QMetaType>
#include <QRectF>

// A rectangle in image coordinates: pixels of the full-size display image.
class ImageRectF : public QRectF {
 public:
  ImageRectF() = default;
  ImageRectF(qreal x, qreal y, qreal width, qreal height) : QRectF(x, y, width, height) {}
  explicit ImageRectF(const QRectF& rect) : QRectF(rect) {}
};

Q_DECLARE_METATYPE(ImageRectF)
