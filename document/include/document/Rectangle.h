#pragma once

#include <QPointF>
#include <QRectF>
#include <QVariantMap>

#include "document/Shape.h"

namespace ts {

// An axis-aligned rectangle in image coordinates: a rectangle patch, the tool's rubber band.
// With snap set, dragged corners land on whole working pixels.
class Rectangle : public Shape {
 public:
  explicit Rectangle(const QRectF& rect = QRectF(), int snap = 0);
  // Both corners at `corner`, as a rubber band starts.
  explicit Rectangle(const QPointF& corner, int snap = 0);
  // From the stored map; the snap flag from "snap_" when present, else `defaultSnap`. A
  // rectangle or corner that is no usable position reads as the invalid rectangle and (0, 0).
  Rectangle(const QVariantMap& map, int defaultSnap);

  QVariantMap toVariant() const;

  const QRectF& rect() const { return rect_; }
  void setRect(const QRectF& rect) { rect_ = rect; }
  const QPointF& corner1() const { return corner1_; }
  int snap() const { return snap_; }

  // Spans the rectangle from corner1 to `point` (snapped when snap is set), within the image's
  // display rectangle, and has the document repaint what changed.
  void dragCornerTo(const QPointF& point);

  QRectF boundingRect() const override { return rect_; }
  bool contains(const QPointF& point) const override { return rect_.contains(point); }
  void paint(QPainter* painter, const QRectF& exposed, int state, int penFlag,
             double width) override;
  ShapeHit hitTest(const QPointF& point) const override;
  void beginDrag(ShapeHit& hit, const QPointF& point) override;
  void drag(ShapeHit& hit, const QPointF& point) override;
  bool endDrag() override;

 private:
  QPointF corner(int part) const;

  QRectF rect_;
  QPointF corner1_;
  int snap_ = 0;
};

// `point` moved to the nearest whole working pixel (halves up), in image coordinates.
QPointF scaleToResolution(const QPointF& point);

}  // namespace ts
