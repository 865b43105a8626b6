#include "composition/ZarvoItem.h"

#include <cmath>

#include <QAction>
#include <QGraphicsItem>
#include <QLineF>
#include <QVariant>

namespace {

QList<ZarvoItem*>& registry() {
  static QList<ZarvoItem*> items;
  return items;
}

bool isCanvas(const QRect& rect) {
  return rect.width() > 0 && rect.height() > 0;
}

}  // namespace

ZarvoItem::ZarvoItem(QGraphicsItem* item)
    : graphicsItem_(item), fader_(this), restoreAction_(new QAction(restoreActionParent_)) {
  registry().append(this);
  restoreAction_->setData(QVariant::fromValue<void*>(this));
  if (item) item->setFlag(QGraphicsItem::ItemSendsGeometryChanges);
}

ZarvoItem::~ZarvoItem() {
  handles_.clear();
  registry().removeOne(this);
  delete restoreAction_;
}

double ZarvoItem::scaleFactor(const QRect& newRect, const QRect& oldRect) const {
  if (!isCanvas(newRect) || !isCanvas(oldRect)) return 1.0;
  return std::sqrt((double(newRect.height()) / oldRect.height()) *
                   (double(newRect.width()) / oldRect.width()));
}

QPointF ZarvoItem::mapPoint(const QPointF& p, const QRect& newRect, const QRect& oldRect) const {
  if (!isCanvas(newRect) || !isCanvas(oldRect)) return p;
  return QPointF(p.x() * newRect.width() / oldRect.width(),
                 p.y() * newRect.height() / oldRect.height());
}

void ZarvoItem::canvasResized(const QRect& newRect, const QRect& oldRect) {
  if (!graphicsItem_) return;
  graphicsItem_->setPos(mapPoint(graphicsItem_->pos(), newRect, oldRect));
  const double s = scaleFactor(newRect, oldRect);
  graphicsItem_->setTransform(QTransform(graphicsItem_->transform()).scale(s, s));
  followHandles();
}

void ZarvoItem::followHandles() {
  for (const std::shared_ptr<ZarvoItemHandle>& handle : handles_)
    handle->follow(graphicsItem_->pos(), graphicsItem_->transform());
}

void ZarvoItem::moveByHandle(const QPointF& p) {
  if (!graphicsItem_) return;
  const QPointF corner = graphicsItem_->mapToScene(itemRect().topLeft());
  graphicsItem_->setPos(graphicsItem_->pos() + p - corner);
  graphicsItem_->setSelected(true);
  graphicsItem_->setFocus();
  followHandles();
}

void ZarvoItem::rotateByHandle(const QPointF& p) {
  if (!graphicsItem_) return;
  const QPointF centre = itemRect().center();
  const QPointF local = graphicsItem_->mapFromScene(p);
  const QPointF corner = itemRect().bottomRight();
  const double angle = QLineF(centre, corner).angleTo(QLineF(centre, local));
  if (!std::isfinite(angle)) return;
  // QLineF angles run counter-clockwise on screen; item rotations run clockwise.
  QTransform t = graphicsItem_->transform();
  t.translate(centre.x(), centre.y()).rotate(-angle).translate(-centre.x(), -centre.y());
  graphicsItem_->setTransform(t);
  followHandles();
}

void ZarvoItem::scaleByHandle(const QPointF& p) {
  if (!graphicsItem_) return;
  const QRectF rect = itemRect();
  const QPointF centre = rect.center();
  const QPointF local = graphicsItem_->mapFromScene(p) - centre;
  const QPointF corner = rect.bottomRight() - centre;
  const double sx = local.x() / corner.x(), sy = local.y() / corner.y();
  if (!std::isfinite(sx) || !std::isfinite(sy) || std::abs(sx) <= 0.001 || std::abs(sy) <= 0.001)
    return;
  QTransform t = graphicsItem_->transform();
  t.translate(centre.x(), centre.y()).scale(sx, sy).translate(-centre.x(), -centre.y());
  graphicsItem_->setTransform(t);
  followHandles();
}

QString ZarvoItem::displayName() const {
  return QString();
}

QIcon ZarvoItem::icon() const {
  return QIcon();
}

const QList<ZarvoItem*>& ZarvoItem::registeredItems() {
  return registry();
}

QList<QGraphicsItem*> ZarvoItem::allGraphicsItems() {
  QList<QGraphicsItem*> items;
  for (ZarvoItem* item : registry())
    if (item->graphicsItem_) items << item->graphicsItem_;
  return items;
}

QList<ZarvoItem*> ZarvoItem::selectedItems() {
  QList<ZarvoItem*> items;
  for (ZarvoItem* item : registry())
    if (item->graphicsItem_ && item->graphicsItem_->isSelected()) items << item;
  return items;
}

ZarvoItem* ZarvoItem::firstSelectedItem() {
  for (ZarvoItem* item : registry())
    if (item->graphicsItem_ && item->graphicsItem_->isSelected()) return item;
  return nullptr;
}
