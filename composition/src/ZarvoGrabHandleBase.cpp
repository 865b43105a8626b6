#include "composition/ZarvoGrabHandleBase.h"

#include <cmath>
#include <unordered_set>

#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QTransform>

namespace {

std::unordered_set<const QGraphicsItem*>& liveHandles() {
  static std::unordered_set<const QGraphicsItem*> handles;
  return handles;
}

double inverseScale = 1.0;

}  // namespace

ZarvoGrabHandleBase::ZarvoGrabHandleBase(const QPixmap& pixmap, QGraphicsScene* scene,
                                         const QPointF& offset, Placement placement)
    : QGraphicsPixmapItem(pixmap), ownerPlaced_(placement == Placement::OwnerPlaced) {
  setOffset(offset);
  setFlag(QGraphicsItem::ItemIsMovable);
  setCursor(Qt::PointingHandCursor);
  if (scene) scene->addItem(this);
  liveHandles().insert(this);
  setTransform(QTransform::fromScale(inverseScale, inverseScale));
}

ZarvoGrabHandleBase::~ZarvoGrabHandleBase() {
  liveHandles().erase(this);
}

void ZarvoGrabHandleBase::setViewScale(double s) {
  if (!(s > 0.0) || !std::isfinite(s) || !std::isfinite(1.0 / s)) return;
  inverseScale = 1.0 / s;
  const QTransform scale = QTransform::fromScale(inverseScale, inverseScale);
  for (const QGraphicsItem* handle : liveHandles())
    const_cast<QGraphicsItem*>(handle)->setTransform(scale);
}

double ZarvoGrabHandleBase::inverseViewScale() {
  return inverseScale;
}

bool ZarvoGrabHandleBase::isLive(const QGraphicsItem* item) {
  return item && liveHandles().count(item) != 0;
}

QPointF ZarvoGrabHandleBase::centredOffset(const QPixmap& pixmap) {
  const QRect r = pixmap.rect();
  return -QPointF((r.left() + r.right()) / 2, (r.top() + r.bottom()) / 2);
}

void ZarvoGrabHandleBase::mousePressEvent(QGraphicsSceneMouseEvent* event) {
  if (!ownerPlaced_) QGraphicsPixmapItem::mousePressEvent(event);
  // The handle takes the drag whether or not the plain handling did.
  event->accept();
  grabOffset_ = scenePos() - event->scenePos();
}

void ZarvoGrabHandleBase::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
  const QPointF target = event->scenePos() + grabOffset_;
  if (!ownerPlaced_) setPos(target);
  dragged(target, event->modifiers());
}
