#include "document/Rectangle.h"

#include <cmath>

#include <QPainter>

#include "ShapeGeometry.h"
#include "document/DocumentKeys.h"
#include "document/GmModel.h"

namespace ts {

namespace {

const QRectF invalidRect(0, 0, -1, -1);

}  // namespace

QPointF scaleToResolution(const QPointF& point) {
  const GmModel* model = GmModel::instance();
  const QPointF working = model->toWorking(point);
  return model->toImage(QPointF(std::floor(working.x() + 0.5), std::floor(working.y() + 0.5)));
}

Rectangle::Rectangle(const QRectF& rect, int snap)
    : rect_(rect), corner1_(rect.topLeft()), snap_(snap) {}

Rectangle::Rectangle(const QPointF& corner, int snap)
    : rect_(corner, QSizeF(0, 0)), corner1_(corner), snap_(snap) {}

Rectangle::Rectangle(const QVariantMap& map, int defaultSnap) : snap_(defaultSnap) {
  const QRectF rect = map.value(documentKeys::rect).toRectF();
  rect_ = shapeGeometry::isUsable(rect) ? rect : invalidRect;
  const QPointF corner = map.value(documentKeys::corner1).toPointF();
  corner1_ = shapeGeometry::isUsable(corner) ? corner : QPointF();
  if (map.contains(documentKeys::snap)) snap_ = map.value(documentKeys::snap).toInt();
}

QVariantMap Rectangle::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::rect, rect_);
  map.insert(documentKeys::corner1, corner1_);
  map.insert(documentKeys::snap, snap_);
  return map;
}

void Rectangle::dragCornerTo(const QPointF& point) {
  GmModel* model = GmModel::instance();
  const QPointF p = snap_ ? scaleToResolution(point) : point;
  const QRectF old = rect_;
  const QRectF spanned = QRectF(corner1_, p).normalized();
  const QRectF image(model->imageRect());
  if (spanned.width() == 0 && spanned.height() == 0) {
    rect_ = image.contains(p) ? QRectF(p, QSizeF(0, 0)) : invalidRect;
  } else {
    const QRectF inside = spanned & image;
    rect_ = inside.width() > 0 || inside.height() > 0 ? inside : invalidRect;
  }
  const QRectF dirty = shapeGeometry::uniteValid(old, rect_);
  if (dirty.isValid()) emit model->rectDirty(ImageRectF(dirty), DirtyHint::Outline);
}

void Rectangle::paint(QPainter* painter, const QRectF& exposed, int state, int penFlag,
                      double width) {
  Q_UNUSED(penFlag);
  takeToleranceFrom(width);
  switch (state) {
    case 1:
    case 2:
    case 3:
      painter->drawRect(rect_);
      break;
    case 4:
      if (outline_.bounds().width() > 0 && outline_.bounds().height() > 0)
        drawOutline(painter, exposed);
      else
        painter->drawRect(rect_);
      break;
    case 5:
      painter->drawRect(rect_);
      for (int part = 0; part < 4; ++part)
        painter->drawRect(shapeGeometry::rectAround(corner(part), tolerance_));
      break;
    default:
      break;
  }
}

ShapeHit Rectangle::hitTest(const QPointF& point) const {
  ShapeHit hit;
  hit.point = point;
  const double t = tolerance_;
  const QRectF rect = rect_.normalized();
  if (!rect.adjusted(-t, -t, t, t).contains(point)) return hit;
  if (rect.adjusted(t, t, -t, -t).contains(point)) {
    hit.kind = ShapeHit::Interior;
    hit.cursor = Qt::OpenHandCursor;
    return hit;
  }
  static const int cursors[4] = {Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::SizeFDiagCursor,
                                 Qt::SizeBDiagCursor};
  const QPointF corners[4] = {rect.topLeft(), rect.topRight(), rect.bottomRight(),
                              rect.bottomLeft()};
  for (int part = 0; part < 4; ++part) {
    if (shapeGeometry::rectAround(corners[part], t).contains(point)) {
      hit.kind = ShapeHit::Handle;
      hit.part = part;
      hit.cursor = cursors[part];
      return hit;
    }
  }
  hit.kind = ShapeHit::Edge;
  hit.cursor = Qt::OpenHandCursor;
  return hit;
}

void Rectangle::beginDrag(ShapeHit& hit, const QPointF& point) {
  modified_ = false;
  hit.point = point;
  hit.offset = point - (hit.kind == ShapeHit::Handle ? corner(hit.part) : rect_.topLeft());
}

void Rectangle::drag(ShapeHit& hit, const QPointF& point) {
  modified_ = true;
  const QRectF old = rect_;
  QPointF q = point - hit.offset;
  if (snap_) q = scaleToResolution(q);
  if (hit.kind == ShapeHit::Handle) {
    switch (hit.part) {
      case 0:
        rect_.setTopLeft(q);
        break;
      case 1:
        rect_.setTopRight(q);
        break;
      case 2:
        rect_.setBottomRight(q);
        break;
      default:
        rect_.setBottomLeft(q);
        break;
    }
  } else {
    rect_.moveTopLeft(q);
  }
  emit GmModel::instance()->rectDirty(ImageRectF(shapeGeometry::unite(old, rect_)),
                                      DirtyHint::Handles);
}

bool Rectangle::endDrag() {
  rect_ = rect_.normalized();
  return modified_;
}

QPointF Rectangle::corner(int part) const {
  switch (part) {
    case 0:
      return rect_.topLeft();
    case 1:
      return rect_.topRight();
    case 2:
      return rect_.bottomRight();
    default:
      return rect_.bottomLeft();
  }
}

}  // namespace ts
