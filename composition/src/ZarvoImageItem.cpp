#include "composition/ZarvoImageItem.h"

#include <algorithm>
#include <cmath>

#include <QGraphicsScene>
#include <QScopedValueRollback>
#include <QStyleOptionGraphicsItem>

#include "ZarvoImageItemPrivate.h"
#include "composition/CompositionResources.h"
#include "composition/ZarvoObject.h"
#include "kestrum/qt/UnsplitImageWork.h"

namespace {

const double kPi = std::acos(-1.0);

// Set while the scene drags items by their bodies: a position that changes then is the user's.
bool bodyDragging = false;

bool finitePoint(const QPointF& p) {
  return std::isfinite(p.x()) && std::isfinite(p.y());
}

}  // namespace

ZarvoImageItem::ZarvoImageItem(QGraphicsScene* scene, Owner owner)
    : QGraphicsPixmapItem(nullptr), ZarvoItem(this), d(new ZarvoImageItemPrivate) {
  initCompositionResources();
  if (scene) scene->addItem(this);
  d->setOwner(std::move(owner));
  setTransformationMode(Qt::SmoothTransformation);
  d->scaleHandle =
      new Handle(QPixmap(QStringLiteral(":zarvo/handle_scale.png")), scene, this, QPoint(-16, -16),
                 &ZarvoImageItem::scaleDrag, Handle::Placement::OwnerPlaced);
  d->scaleHandle->setZValue(13.0);
  setRotatable(true);
  d->dragHandle =
      new Handle(QPixmap(QStringLiteral(":zarvo/handle_drag.png")), scene, this, QPoint(-16, -16),
                 &ZarvoImageItem::cornerDrag, Handle::Placement::OwnerPlaced);
  d->dragHandle->setZValue(10.0);
  setPixmap(QPixmap(), QSizeF(-1, -1), QPoint(0, 0));
}

ZarvoImageItem::~ZarvoImageItem() {
  d->stop();
  // A scene that is being cleared may have deleted the handles already.
  for (Handle** handle : {&d->scaleHandle, &d->rotateHandle, &d->dragHandle}) {
    if (ZarvoGrabHandleBase::isLive(*handle)) delete *handle;
    *handle = nullptr;
  }
  if (QGraphicsScene* s = scene()) s->update();
}

ZarvoImageItem::Handle* ZarvoImageItem::makeRotateHandle() {
  auto* handle = new Handle(QPixmap(QStringLiteral(":zarvo/handle_rotate.png")), scene(), this,
                            &ZarvoImageItem::rotateDrag, Handle::Placement::OwnerPlaced);
  handle->setZValue(9.0);
  return handle;
}

// ---- Pixmap and fitting

void ZarvoImageItem::setPixmap(const QPixmap& pixmap, const QSizeF& targetSize,
                               const QPoint& anchor) {
  const bool hadPixmap = !QGraphicsPixmapItem::pixmap().isNull();
  const QPointF oldOffset = offset();
  QGraphicsPixmapItem::setPixmap(pixmap);
  d->cacheDirty = true;
  d->displayCache = QImage();
  if (pixmap.isNull()) {
    setHandlesVisible(false);
    d->anchor = anchor;
    return;
  }
  setHandlesVisible(isVisible() && d->editable);
  if (targetSize.width() >= 0 && targetSize.height() >= 0) {
    fitToSize(targetSize);
    d->anchor = anchor;
    return;
  }
  if (!hadPixmap || !d->userTransformed) {
    // The single-precision 0.9 on purpose: a canvas 5 pixels wide fits into 4, not 5.
    const double factor = double(0.9f);
    const QRect canvas = ZarvoObject::instance()->canvasRect();
    fitToSize(QSizeF(std::lround(canvas.width() * factor), std::lround(canvas.height() * factor)));
  } else {
    // The anchor's frame stays put: the same frame point lands on the same canvas point.
    const QPointF newOffset(-pixmap.width() * 0.5, -pixmap.height() * 0.5);
    setOffset(newOffset);
    const QPointF shift =
        transform().map((QPointF(anchor) - newOffset) - (QPointF(d->anchor) - oldOffset));
    setPos(pos() + shift);
    placeHandles(pos(), transform());
  }
  d->anchor = anchor;
}

QPointF ZarvoImageItem::canvasCentre() {
  const QRect canvas = ZarvoObject::instance()->canvasRect();
  return QPointF((canvas.left() + canvas.right()) / 2, (canvas.top() + canvas.bottom()) / 2);
}

void ZarvoImageItem::fitToSize(const QSizeF& size) {
  d->angle = 0.0;
  d->userTransformed = false;
  const QPixmap& pm = pixmap();
  double s = 1.0;
  if (size.width() >= 0 && size.height() >= 0) {
    // No pixmap yet, or an empty size: nothing to fit, so no scale of 0, infinity or NaN.
    const double fit = std::min(size.width() / pm.width(), size.height() / pm.height());
    if (fit > 0.0 && std::isfinite(fit)) s = fit;
  }
  d->scaleX = d->scaleY = s;
  setOffset(-pm.width() * 0.5, -pm.height() * 0.5);
  setPos(canvasCentre());
  applyScale(1.0, 1.0, true);
  applyMatrix();
  placeHandles(pos(), transform());
}

void ZarvoImageItem::applyScale(double fx, double fy, bool keepAspect) {
  d->cacheDirty = true;
  if (!std::isfinite(fx) || !std::isfinite(fy)) return;
  const QPixmap& pm = pixmap();
  double limX = 0.0, limY = 0.0;
  bool limited = true;
  if (d->maxWidth > 0.0 && d->maxHeight > 0.0) {
    limX = std::abs(d->maxWidth / (pm.width() * d->scaleX));
    limY = std::abs(d->maxHeight / (pm.height() * d->scaleY));
  } else if (d->boundsRect.isValid()) {
    const QRect& b = d->boundsRect;
    const QPointF p = pos();
    const QPointF fromCentre = p - QRectF(b).center();
    const double allowedWidth =
        fromCentre.x() > 0 ? 2.0 * (p.x() - b.left()) : 2.0 * (b.left() + b.width() - p.x());
    const double allowedHeight =
        fromCentre.y() > 0 ? 2.0 * (p.y() - b.top()) : 2.0 * (b.top() + b.height() - p.y());
    limX = std::abs(allowedWidth / (pm.width() * d->scaleX));
    limY = std::abs(allowedHeight / (pm.height() * d->scaleY));
  } else {
    limited = false;
  }
  double rx = fx, ry = fy;
  if (limited) {
    // std::min keeps the factor when a limit is NaN (an empty pixmap).
    double ax = std::min(std::abs(fx), limX), ay = std::min(std::abs(fy), limY);
    if (keepAspect) ax = ay = std::min(ax, ay);
    rx = fx > 0 ? ax : -ax;
    ry = fy > 0 ? ay : -ay;
  }
  if (std::isfinite(rx) && std::isfinite(ry) && std::abs(rx * d->scaleX) > 0.001 &&
      std::abs(ry * d->scaleY) > 0.001) {
    d->scaleX *= rx;
    d->scaleY *= ry;
  }
}

void ZarvoImageItem::scaleBy(double f) {
  applyScale(f, f, true);
  applyMatrix();
}

void ZarvoImageItem::applyMatrix() {
  setTransform(QTransform().rotate(d->angle).scale(d->scaleX, d->scaleY));
}

// ---- Handles

QPointF ZarvoImageItem::dragCorner() const {
  return offset();
}

QPointF ZarvoImageItem::rotateCorner() const {
  return offset() + QPointF(0, pixmap().height() - 1);
}

QPointF ZarvoImageItem::scaleCorner() const {
  return offset() + QPointF(pixmap().width() - 1, pixmap().height() - 1);
}

void ZarvoImageItem::placeHandles(const QPointF& position, const QTransform& matrix) {
  if (d->dragHandle) d->dragHandle->setPos(position + matrix.map(dragCorner()));
  if (d->rotateHandle) d->rotateHandle->setPos(position + matrix.map(rotateCorner()));
  if (d->scaleHandle) d->scaleHandle->setPos(position + matrix.map(scaleCorner()));
}

void ZarvoImageItem::setHandlesVisible(bool visible) {
  for (Handle* handle : {d->scaleHandle, d->rotateHandle, d->dragHandle})
    if (handle) handle->setVisible(visible);
}

void ZarvoImageItem::setEditable(bool editable) {
  setFlag(QGraphicsItem::ItemIsMovable, editable);
  setHandlesVisible(isVisible() && editable && !pixmap().isNull());
  d->editable = editable;
}

void ZarvoImageItem::setRotatable(bool rotatable) {
  if (!rotatable) {
    if (ZarvoGrabHandleBase::isLive(d->rotateHandle)) delete d->rotateHandle;
    d->rotateHandle = nullptr;
    d->angle = 0.0;
    applyMatrix();
  } else if (!d->rotateHandle) {
    d->rotateHandle = makeRotateHandle();
    d->rotateHandle->setVisible(isVisible() && d->editable && !pixmap().isNull());
    placeHandles(pos(), transform());
  }
}

void ZarvoImageItem::scaleDrag(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers) {
  placedByUser();
  const QPointF corner = scaleCorner();
  const QPointF q = mapFromScene(scenePoint);
  // A pixmap 2 pixels wide has its corner on the centre: the factor is not finite and is
  // ignored.
  double fx = q.x() / corner.x(), fy = q.y() / corner.y();
  const bool free = modifiers & Qt::ShiftModifier;
  if (!free) {
    const double m = std::max(std::abs(fx), std::abs(fy));
    fx = fx > 0 ? m : -m;
    fy = fy > 0 ? m : -m;
  }
  applyScale(fx, fy, !free);
  applyMatrix();
}

void ZarvoImageItem::rotateDrag(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers) {
  placedByUser();
  const QPointF centre = mapToScene(QPointF(0, 0));
  const double a = std::atan2(scenePoint.y() - centre.y(), scenePoint.x() - centre.x());
  double angle = d->angle;
  if (modifiers & Qt::ShiftModifier) {
    // The pointer's own direction, on sixteen steps of 22.5 degrees.
    angle = std::floor(a / (2.0 * kPi) * 16.0 + 0.5) * 22.5;
  } else {
    const QPointF corner = mapToScene(rotateCorner()) - centre;
    angle += (a - std::atan2(corner.y(), corner.x())) / kPi * 180.0;
  }
  if (std::isfinite(angle)) d->angle = angle;
  applyMatrix();
}

void ZarvoImageItem::cornerDrag(const QPointF& scenePoint, Qt::KeyboardModifiers) {
  placedByUser();
  const QPointF target = pos() + scenePoint - mapToScene(offset());
  if (finitePoint(target)) setPos(target);
}

void ZarvoImageItem::placedByUser() {
  d->userTransformed = true;
  ZarvoObject::instance()->noteUserChange();
}

// ---- Limits and state

void ZarvoImageItem::setLimitRect(const QRectF& rect) {
  d->limitRect = rect;
}
QRectF ZarvoImageItem::limitRect() const {
  return d->limitRect;
}
void ZarvoImageItem::setMaxSize(double width, double height) {
  d->maxWidth = width;
  d->maxHeight = height;
}
double ZarvoImageItem::maxWidth() const {
  return d->maxWidth;
}
double ZarvoImageItem::maxHeight() const {
  return d->maxHeight;
}
void ZarvoImageItem::setBoundsRect(const QRect& rect) {
  d->boundsRect = rect;
}
QRect ZarvoImageItem::boundsRect() const {
  return d->boundsRect;
}
double ZarvoImageItem::angle() const {
  return d->angle;
}
double ZarvoImageItem::scaleX() const {
  return d->scaleX;
}
double ZarvoImageItem::scaleY() const {
  return d->scaleY;
}
bool ZarvoImageItem::isEditable() const {
  return d->editable;
}
bool ZarvoImageItem::userTransformed() const {
  return d->userTransformed;
}
bool ZarvoImageItem::ownerNoticePending() const {
  return d->isActive();
}
bool ZarvoImageItem::takeOwnerNotice() {
  const bool pending = d->isActive();
  d->stop();
  return pending;
}
QPoint ZarvoImageItem::anchor() const {
  return d->anchor;
}
ZarvoImageItem::Handle* ZarvoImageItem::scaleHandle() const {
  return d->scaleHandle;
}
ZarvoImageItem::Handle* ZarvoImageItem::rotateHandle() const {
  return d->rotateHandle;
}
ZarvoImageItem::Handle* ZarvoImageItem::dragHandle() const {
  return d->dragHandle;
}

QRectF ZarvoImageItem::itemRect() const {
  return QRectF(pixmap().rect());
}

void ZarvoImageItem::canvasResized(const QRect& newRect, const QRect& oldRect) {
  setPos(mapPoint(pos(), newRect, oldRect));
  const double s = scaleFactor(newRect, oldRect);
  applyScale(s, s, true);
  applyMatrix();
}

void ZarvoImageItem::copyFrom(const ZarvoImageItem& other) {
  d->setOwner(other.d->owner);
  setRotatable(other.d->rotateHandle != nullptr);
  d->limitRect = other.d->limitRect;
  d->maxWidth = other.d->maxWidth;
  d->maxHeight = other.d->maxHeight;
  d->boundsRect = other.d->boundsRect;
  setPixmap(other.pixmap(), QSizeF(other.pixmap().size()), other.d->anchor);
  setPos(other.pos());
  d->angle = other.d->angle;
  d->scaleX = other.d->scaleX;
  d->scaleY = other.d->scaleY;
  // A copy lies where its maker put it (a clone, 10 units off its original): a new pixmap keeps
  // it there rather than fitting it back onto the original.
  d->userTransformed = true;
  setZValue(other.zValue());
  setFlags(other.flags());
  applyMatrix();
}

// ---- Geometry changes

void ZarvoImageItem::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
  // Qt moves every selected movable item along with this one: each is placed by the user.
  const QScopedValueRollback<bool> dragging(bodyDragging, true);
  QGraphicsPixmapItem::mouseMoveEvent(event);
}

QPointF ZarvoImageItem::constrainedPosition(QPointF p) const {
  const QRectF& limit = d->limitRect;
  if (limit.width() > 0 && limit.height() > 0 && !limit.contains(p))
    p = QPointF(std::min(std::max(p.x(), limit.left()), limit.left() + limit.width()),
                std::min(std::max(p.y(), limit.top()), limit.top() + limit.height()));
  if (d->boundsRect.isValid()) {
    // The item must cover the bounds: its rectangle is shifted, its size kept.
    const QTransform m = transform();
    QRectF r = QRectF(p + m.map(offset()), p + m.map(-offset())).normalized();
    const QRectF bounds(d->boundsRect);
    r.moveLeft(std::min(r.left(), bounds.left()));
    if (bounds.right() > r.right()) r.moveLeft(bounds.right() - r.width());
    r.moveTop(std::min(r.top(), bounds.top()));
    if (bounds.bottom() > r.bottom()) r.moveTop(bounds.bottom() - r.height());
    const QPointF centre = QRectF(pixmap().rect()).center();
    p = r.topLeft() + (m.map(centre + offset()) - m.map(offset()));
  }
  return p;
}

QVariant ZarvoImageItem::itemChange(GraphicsItemChange change, const QVariant& value) {
  bool geometry = false;
  QVariant result = value;
  switch (change) {
    case ItemPositionChange:
      if (scene()) {
        const QPointF p = constrainedPosition(value.toPointF());
        placeHandles(p, transform());
        result = p;
        geometry = true;
      }
      break;
    case ItemPositionHasChanged:
      if (bodyDragging) placedByUser();
      break;
    case ItemTransformChange:
      if (scene()) {
        placeHandles(pos(), value.value<QTransform>());
        geometry = true;
      }
      break;
    case ItemVisibleChange:
      setHandlesVisible(value.toBool() && d->editable && !pixmap().isNull());
      break;
    case ItemSceneHasChanged: {
      auto* newScene = value.value<QGraphicsScene*>();
      for (Handle* handle : {d->scaleHandle, d->rotateHandle, d->dragHandle}) {
        if (!handle || handle->scene() == newScene) continue;
        if (handle->scene()) handle->scene()->removeItem(handle);
        if (newScene) newScene->addItem(handle);
      }
      break;
    }
    default:
      break;
  }
  if (geometry && d->owner) d->start();
  return QGraphicsPixmapItem::itemChange(change, result);
}

// ---- Painting

void ZarvoImageItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option,
                           QWidget* widget) {
  const QPixmap& pm = pixmap();
  if (isSelected() || pm.width() == 0 || pm.height() == 0) {
    QGraphicsPixmapItem::paint(painter, option, widget);
    return;
  }
  const double f = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
  if (!(f > 0.0 && f <= 1.0)) {
    QGraphicsPixmapItem::paint(painter, option, widget);
    return;
  }
  // Below 1:1 the pixmap is drawn from a copy scaled smoothly to the displayed size, rebuilt
  // whenever the pixmap, the item's scale or the view's zoom changes that size.
  const QSize shown(std::max(1, int(std::lround(pm.width() * f))),
                    std::max(1, int(std::lround(pm.height() * f))));
  if (d->cacheDirty || d->displayCache.size() != shown) {
    d->displayCache = kestrum::unsplitSmoothScaled(
        kestrum::unsplitConverted(pm.toImage(), QImage::Format_ARGB32_Premultiplied), shown);
    d->cacheDirty = false;
  }
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter->drawImage(QRectF(offset(), QSizeF(pm.size())), d->displayCache);
  painter->restore();
}

void ZarvoImageItem::drawInto(QPainter* painter) const {
  const QRectF bounds = boundingRect();
  if (!(bounds.width() > 0 && bounds.height() > 0)) return;
  painter->save();
  painter->setTransform(sceneTransform(), true);
  painter->setRenderHint(QPainter::SmoothPixmapTransform,
                         transformationMode() == Qt::SmoothTransformation);
  painter->drawPixmap(offset(), pixmap());
  painter->restore();
}

QImage ZarvoImageItem::renderToImage(QPoint* topLeft, QPainter::RenderHints hints) const {
  const QRect r = sceneBoundingRect().toAlignedRect();
  if (topLeft) *topLeft = r.topLeft();
  QImage image(r.size(), QImage::Format_ARGB32);
  if (image.isNull()) return image;
  image.fill(Qt::transparent);
  QPainter painter(&image);
  if (hints) painter.setRenderHints(hints);
  painter.translate(-r.topLeft());
  painter.setOpacity(opacity());
  drawInto(&painter);
  return image;
}
