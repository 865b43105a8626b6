#include "document/Brushing.h"

#include <algorithm>
#include <cmath>

#include <QBitmap>
#include <QPainter>
#include <QPen>

#include "ShapeGeometry.h"
#include "document/DocumentKeys.h"
#include "document/DocumentMetaTypes.h"
#include "document/DocumentUiHooks.h"
#include "document/GmModel.h"

namespace {

const QRectF noBounds(0, 0, 0, 0);

bool hasArea(const QRectF& rect) {
  return rect.width() > 0 && rect.height() > 0;
}

// The stroke image of a stored "Bitmap": the stored image turned back, so painted pixels have
// index 1 again. A stored image of another depth is reduced to one bit first.
QImage strokeFromStored(const QVariant& stored) {
  QImage image;
  if (stored.userType() == QMetaType::QBitmap)
    image = qvariant_cast<QBitmap>(stored).toImage();
  else if (stored.userType() == QMetaType::QImage)
    image = qvariant_cast<QImage>(stored);
  if (image.isNull()) return QImage();
  image = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
  image.invertPixels();
  return image;
}

bool isUsable(const QPainterPath& path) {
  for (int i = 0; i < path.elementCount(); ++i)
    if (!shapeGeometry::isUsable(QPointF(path.elementAt(i)))) return false;
  return true;
}

}  // namespace

Brushing::Brushing(const QColor& colour) : reducedBounds_(noBounds), colour_(colour) {
  const QSize size = GmModel::instance()->workingRect().size();
  if (!size.isEmpty()) {
    stroke_ = QImage(size, QImage::Format_Mono);
    stroke_.fill(0);
  }
  setColourTable();
}

Brushing::Brushing(const QVariantMap& map)
    : stroke_(strokeFromStored(map.value(documentKeys::bitmap))),
      reducedBounds_(noBounds),
      colour_(map.value(documentKeys::color).value<QColor>()) {
  const QPainterPath path = map.value(documentKeys::path).value<QPainterPath>();
  if (isUsable(path)) path_ = path;
  const QRectF bounds = map.value(documentKeys::boundingReducedRect).toRectF();
  if (shapeGeometry::isUsable(bounds)) reducedBounds_ = bounds;
  setColourTable();
}

Brushing::~Brushing() {
  if (hasArea(reducedBounds_) && GmModel::existingInstance()) emitDirty(reducedBounds_);
}

QVariantMap Brushing::toVariant() const {
  QImage inverted = stroke_.copy();
  inverted.invertPixels();
  QVariantMap map;
  map.insert(documentKeys::bitmap, QVariant::fromValue(QBitmap::fromImage(inverted)));
  map.insert(documentKeys::path, QVariant::fromValue(path_));
  map.insert(documentKeys::boundingReducedRect, reducedBounds_);
  map.insert(documentKeys::color, colour_);
  return map;
}

int Brushing::brushWidth() {
  return std::max(1, documentUiHooks().brushSize());
}

void Brushing::beginStroke(const QPointF& imagePoint) {
  path_ = QPainterPath(imagePoint);
  const QPointF q = GmModel::instance()->toWorking(imagePoint);
  lastPoint_ = previewEnd_ = q;
  paintLine(q - QPointF(0.5, 0.5), QPointF(q.x() - 0.5 + 1e-5, q.y() - 0.5));
  reducedBounds_ = dotRect(q);
  if (!reducedBounds_.isEmpty()) emitDirty(reducedBounds_);
}

void Brushing::continueStroke(const QPointF& imagePoint) {
  path_.lineTo(imagePoint);
  const QPointF q = GmModel::instance()->toWorking(imagePoint);
  paintLine(lastPoint_ - QPointF(0.5, 0.5), q + QPointF(1e-5 - 0.5, 1e-5 - 0.5));
  const QRectF dirty = shapeGeometry::uniteValid(dotRect(q), dotRect(lastPoint_));
  if (hasArea(dirty)) {
    emitDirty(dirty);
    reducedBounds_ = hasArea(reducedBounds_) ? (reducedBounds_ | dirty) : dirty;
  }
  lastPoint_ = previewEnd_ = q;
}

void Brushing::movePreviewLineEnd(const QPointF& imagePoint) {
  const QPointF old = previewEnd_;
  previewEnd_ = GmModel::instance()->toWorking(imagePoint);
  const QRectF dirty = shapeGeometry::uniteValid(
      shapeGeometry::uniteValid(dotRect(previewEnd_), dotRect(lastPoint_)), dotRect(old));
  if (hasArea(dirty)) emitDirty(dirty);
}

void Brushing::clear() {
  if (!stroke_.isNull()) stroke_.fill(0);
  if (hasArea(reducedBounds_)) {
    emitDirty(reducedBounds_);
    reducedBounds_ = noBounds;
  }
}

void Brushing::setStrokeImage(const QImage& mask, const QRectF& workingBounds) {
  const QRectF old = reducedBounds_;
  if (mask.depth() == 1 && mask.size() == stroke_.size() &&
      shapeGeometry::isUsable(workingBounds)) {
    stroke_ = mask.convertToFormat(QImage::Format_Mono);
    reducedBounds_ = workingBounds;
  } else {
    if (!stroke_.isNull()) stroke_.fill(0);
    reducedBounds_ = noBounds;
  }
  setColourTable();
  const QRectF dirty = shapeGeometry::uniteValid(old, reducedBounds_);
  if (hasArea(dirty)) emitDirty(dirty);
}

QRectF Brushing::boundingRect() const {
  return GmModel::instance()->toImage(reducedBounds_);
}

bool Brushing::contains(const QPointF& point) const {
  const QPointF q = GmModel::instance()->toWorking(point);
  if (!shapeGeometry::isUsable(q)) return false;
  const QPoint pixel(int(std::floor(q.x() + 0.5)), int(std::floor(q.y() + 0.5)));
  return stroke_.valid(pixel) && stroke_.pixelIndex(pixel) == 1;
}

void Brushing::paint(QPainter* painter, const QRectF& exposed, int state, int penFlag,
                     double width) {
  takeToleranceFrom(width);
  if (state < 1 || state > 5) return;
  const QRectF area = exposed & boundingRect();
  if (area.isEmpty()) return;
  if (penFlag == 1) {
    QColor colour = colour_;
    if (colour.alpha() == 255) colour.setAlpha(painter->pen().color().alpha());
    QPen pen = painter->pen();
    pen.setColor(colour);
    painter->setPen(pen);
  }
  if (state >= 3) {
    drawOutline(painter, exposed);
    return;
  }
  if (stroke_.isNull()) return;
  GmModel* model = GmModel::instance();
  const QTransform world = painter->worldTransform();
  painter->scale(model->resolution(), model->resolution());
  stroke_.setColor(1, painter->pen().color().rgba());
  const QRectF working = model->toWorking(area);
  painter->drawImage(working, stroke_, working);
  const QPointF preview = previewEnd_ - lastPoint_;
  if (std::fabs(preview.x()) > 1e-12 || std::fabs(preview.y()) > 1e-12) {
    const QPen pen = painter->pen();
    painter->setPen(QPen(colour_, brushWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->drawLine(lastPoint_, previewEnd_);
    painter->setPen(pen);
  }
  painter->setWorldTransform(world);
}

QImage Brushing::renderMask(const QPen&, const QBrush&) {
  const QRect area =
      shapeGeometry::pixelsWithin(reducedBounds_.adjusted(-1.0, -1.0, 1.0, 1.0), stroke_.rect());
  if (area.isEmpty()) return QImage();
  QImage mask = stroke_.copy(area).convertToFormat(QImage::Format_Indexed8);
  mask.setOffset(area.topLeft());
  return mask;
}

void Brushing::setOutline(const CvRegion* regions, uint32_t count) {
  Shape::setOutline(regions, count);
  reducedBounds_ = GmModel::instance()->toWorking(outline_.bounds());
}

ShapeHit Brushing::hitTest(const QPointF& point) const {
  ShapeHit hit;
  hit.point = point;
  const double t = tolerance_;
  if (!boundingRect().adjusted(-t, -t, t, t).contains(point)) return hit;
  const QRectF at(point, QSizeF(0, 0));
  for (const EdgeOutline::Segment& segment : outline_.segments()) {
    if (!shapeGeometry::meets(segment.bounds, at)) continue;
    for (int i = 0; i + 1 < segment.line.size(); ++i) {
      if (shapeGeometry::rectAround(segment.line[i], t).contains(point) ||
          shapeGeometry::rectAround(segment.line[i + 1], t).contains(point)) {
        hit.kind = ShapeHit::Edge;
        hit.cursor = Qt::ArrowCursor;
        return hit;
      }
    }
  }
  if (contains(point)) {
    hit.kind = ShapeHit::Interior;
    hit.cursor = Qt::ArrowCursor;
  }
  return hit;
}

void Brushing::setColourTable() {
  if (!stroke_.isNull()) stroke_.setColorTable({0x00000000u, colour_.rgba()});
}

QRectF Brushing::dotRect(const QPointF& working) const {
  const double w = brushWidth();
  return QRectF(shapeGeometry::pixelsWithin(QRectF(working.x() - w / 2, working.y() - w / 2, w, w),
                                            stroke_.rect()));
}

void Brushing::paintLine(const QPointF& from, const QPointF& to) {
  if (stroke_.isNull()) return;
  // Painting needs a table in which opaque white is exactly index 1.
  stroke_.setColorTable({0xFF000000u, 0xFFFFFFFFu});
  {
    QPainter painter(&stroke_);
    painter.setPen(
        QPen(QColor(0xFFFFFFFFu), brushWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(from, to);
  }
  setColourTable();
}

void Brushing::emitDirty(const QRectF& working) const {
  GmModel* model = GmModel::instance();
  emit model->rectDirty(model->toImage(working), DirtyHint::Exact);
}
