#include "document/Polygon.h"

#include <algorithm>

#include <QPainter>

#include "ShapeGeometry.h"
#include "document/DocumentKeys.h"
#include "document/GmModel.h"

namespace ts {

Polygon::Polygon(const QPolygonF& points, int openness) : points_(points), openness_(openness) {}

Polygon::Polygon(const QVariantMap& map) {
  const QPolygonF points = map.value(documentKeys::qpoly).value<QPolygonF>();
  const bool usable = std::all_of(points.begin(), points.end(),
                                  [](const QPointF& p) { return shapeGeometry::isUsable(p); });
  if (usable) points_ = points;
  openness_ = map.value(documentKeys::openness).toInt();
}

QVariantMap Polygon::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::qpoly, points_);
  map.insert(documentKeys::openness, openness_);
  return map;
}

bool Polygon::contains(const QPointF& point) const {
  return !points_.isEmpty() && points_.containsPoint(point, Qt::OddEvenFill);
}

void Polygon::drawBody(QPainter* painter) {
  if (isClosed())
    painter->drawPolygon(points_, Qt::OddEvenFill);
  else
    painter->drawPolyline(points_);
}

void Polygon::paint(QPainter* painter, const QRectF& exposed, int state, int penFlag,
                    double width) {
  Q_UNUSED(penFlag);
  takeToleranceFrom(width);
  if (state < 1 || state > 5 || points_.isEmpty()) return;
  if (!shapeGeometry::meets(boundingRect(), exposed)) return;
  switch (state) {
    case 1:
      painter->drawPolyline(points_);
      if (isClosed() && points_.size() >= 3) {
        const QPen pen = painter->pen();
        QPen dashed(pen);
        dashed.setStyle(Qt::DashLine);
        dashed.setCapStyle(Qt::FlatCap);
        painter->setPen(dashed);
        painter->drawLine(points_.last(), points_.first());
        painter->setPen(pen);
      }
      break;
    case 2:
    case 3:
      drawBody(painter);
      break;
    case 4: {
      const QRectF& outline = outline_.bounds();
      if (outline.width() > 0 && outline.height() > 0) {
        drawOutline(painter, exposed);
        if (!isClosed()) painter->drawPolyline(points_);
      } else {
        drawBody(painter);
      }
      break;
    }
    case 5:
      drawBody(painter);
      for (const QPointF& vertex : points_) {
        const QRectF square = shapeGeometry::rectAround(vertex, tolerance_);
        if (shapeGeometry::meets(square, exposed)) painter->drawRect(square);
      }
      break;
  }
}

ShapeHit Polygon::hitTest(const QPointF& point) const {
  ShapeHit hit;
  hit.point = point;
  const double t = tolerance_;
  const int n = points_.size();
  if (n == 0 || !boundingRect().adjusted(-t, -t, t, t).contains(point)) return hit;

  for (int i = 0; i < n; ++i) {
    if (shapeGeometry::rectAround(points_[i], t).contains(point)) {
      hit.kind = ShapeHit::Handle;
      hit.part = i;
      hit.cursor = Qt::SizeAllCursor;
      return hit;
    }
  }
  const int edges = isClosed() ? n : n - 1;
  for (int i = 0; i < edges; ++i) {
    const QPointF a = points_[i], b = points_[(i + 1) % n];
    if (!QRectF(a, b).normalized().adjusted(-t, -t, t, t).contains(point)) continue;
    const QPointF edge = b - a, along = point - a;
    const double cross = edge.x() * along.y() - edge.y() * along.x();
    const double squaredLength = QPointF::dotProduct(edge, edge);
    if (squaredLength * t * t > cross * cross) {
      hit.kind = ShapeHit::Edge;
      hit.part = i;
      hit.cursor = Qt::OpenHandCursor;
      return hit;
    }
  }
  if (isClosed() && contains(point)) {
    hit.kind = ShapeHit::Interior;
    hit.cursor = Qt::OpenHandCursor;
  }
  return hit;
}

void Polygon::beginDrag(ShapeHit& hit, const QPointF& point) {
  modified_ = false;
  hit.point = point;
  if (hit.kind == ShapeHit::Handle && hit.part >= 0 && hit.part < points_.size())
    hit.offset = point - points_[hit.part];
}

void Polygon::drag(ShapeHit& hit, const QPointF& point) {
  modified_ = true;
  const int n = points_.size();
  if (n == 0) return;
  QRectF dirty;
  if (hit.kind == ShapeHit::Handle && hit.part >= 0 && hit.part < n) {
    const int k = hit.part;
    const QPointF previous = points_[(k + n - 1) % n], next = points_[(k + 1) % n];
    const auto around = [&] {
      return shapeGeometry::unite(QRectF(previous, points_[k]), QRectF(points_[k], next));
    };
    dirty = around();
    points_[k] = point - hit.offset;
    dirty = shapeGeometry::unite(dirty, around());
  } else {
    const QRectF before = boundingRect();
    points_.translate(point - hit.point);
    hit.point = point;
    dirty = shapeGeometry::unite(before, boundingRect());
  }
  emit GmModel::instance()->rectDirty(ImageRectF(dirty), DirtyHint::Handles);
}

}  // namespace ts
