#pragma once

#include <QMetaType>
#include <QRectF>

// A rectangle in display-image coordinates: the part of the image a view shows.
class GRectF : public QRectF {
 public:
  GRectF() = default;
  GRectF(qreal x, qreal y, qreal width, qreal height) : QRectF(x, y, width, height) {}
  explicit GRectF(const QRectF& rect) : QRectF(rect) {}
};

Q_DECLARE_METATYPE(GRectF)
