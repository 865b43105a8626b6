#pragma once

#include <cstdint>

#include <QImage>
#include <QPointF>
#include <QRectF>

#include "Corvane.h"
#include "document/EdgeOutline.h"
#include "document/PixelState.h"
#include "document/ShapeHit.h"

class QBrush;
class QPainter;
class QPen;

// Editable geometry in image coordinates: it hit-tests a point, is dragged by a handle, paints
// itself in one of six states and rasterises itself into a mask at working resolution. It holds
// the engine's outline of its patch and the snapshot of the statuses under it. GUI thread.
class Shape {
 public:
  Shape() = default;
  virtual ~Shape() = default;
  Shape(const Shape&) = delete;
  Shape& operator=(const Shape&) = delete;

  virtual QRectF boundingRect() const = 0;
  virtual bool contains(const QPointF& point) const = 0;
  // Paints the shape in `state` (0 and 6 or more paint nothing) with the painter's pen and
  // brush; a positive width/2 becomes the hit tolerance. Only strokes read `penFlag`.
  virtual void paint(QPainter* painter, const QRectF& exposed, int state, int penFlag,
                     double width) = 0;
  // The shape rasterised at working resolution with `pen` and `brush` (as in state 2) into an
  // 8-bit indexed image whose offset is its place in the working image; non-zero pixels are
  // inside. A null image when nothing is painted or the shape lies outside the working image.
  virtual QImage renderMask(const QPen& pen, const QBrush& brush);
  // Replaces the outline with the engine's polylines (working coordinates).
  virtual void setOutline(const CvRegion* regions, uint32_t count);
  virtual ShapeHit hitTest(const QPointF& point) const = 0;
  virtual void beginDrag(ShapeHit& hit, const QPointF& point) = 0;
  virtual void drag(ShapeHit& hit, const QPointF& point) = 0;
  // Ends the drag; true when it changed the shape.
  virtual bool endDrag() = 0;

  void drawOutline(QPainter* painter, const QRectF& exposed) const;
  // The snapshot's mask, rendered with `pen` and `brush` when it has none yet.
  const QImage& prepareSnapshot(const QPen& pen, const QBrush& brush);

  const EdgeOutline& outline() const { return outline_; }
  PixelState& snapshot() { return snapshot_; }
  const PixelState& snapshot() const { return snapshot_; }
  // Half the handle size in image units; 0 until the shape is painted with a width.
  double tolerance() const { return tolerance_; }

 protected:
  void takeToleranceFrom(double width) {
    if (width / 2 > 0) tolerance_ = width / 2;
  }

  bool modified_ = false;
  EdgeOutline outline_;
  PixelState snapshot_;
  double tolerance_ = 0;
};
