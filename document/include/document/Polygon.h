#pragma once

#include <QPolygonF>
#include <QVariantMap>

#include "document/Shape.h"

namespace ts {

// A closed or open polygon in image coordinates: a polygon patch, a forced edge. Its drags do
// not snap.
class Polygon : public Shape {
 public:
  explicit Polygon(const QPolygonF& points = QPolygonF(), int openness = 1);
  // From the stored map; points that are no usable position leave the polygon empty.
  explicit Polygon(const QVariantMap& map);

  QVariantMap toVariant() const;

  const QPolygonF& points() const { return points_; }
  void setPoints(const QPolygonF& points) { points_ = points; }
  // 1 closed, 0 open.
  int openness() const { return openness_; }
  bool isClosed() const { return openness_ != 0; }

  QRectF boundingRect() const override { return points_.boundingRect(); }
  // Odd-even rule over every edge, the closing edge included; an empty polygon contains nothing.
  bool contains(const QPointF& point) const override;
  void paint(QPainter* painter, const QRectF& exposed, int state, int penFlag,
             double width) override;
  ShapeHit hitTest(const QPointF& point) const override;
  void beginDrag(ShapeHit& hit, const QPointF& point) override;
  void drag(ShapeHit& hit, const QPointF& point) override;
  bool endDrag() override { return modified_; }

 private:
  void drawBody(QPainter* painter);

  QPolygonF points_;
  int openness_ = 1;
};

}  // namespace ts
