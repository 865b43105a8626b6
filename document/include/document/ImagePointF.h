#pragma once

#include <QMetaType>
#include <QPointF>

// A point in image coordinates: pixels of the full-size display image. Working coordinates are
// smaller by the document's resolution (GmModel::toWorking and toImage convert).
class ImagePointF : public QPointF {
 public:
  ImagePointF() = default;
  ImagePointF(qreal x, qreal y) : QPointF(x, y) {}
  explicit ImagePointF(const QPointF& point) : QPointF(point) {}
};

Q_DECLARE_METATYPE(ImagePointF)
