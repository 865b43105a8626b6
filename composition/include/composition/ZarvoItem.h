#pragma once

#include <memory>

#include <QIcon>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

#include "composition/ZarvoItemFaderUpper.h"
#include "composition/ZarvoItemHandle.h"

class QAction;
class QGraphicsItem;
class QObject;

// What every composition item carries beside its graphics item: its place in the process-wide
// registry (creation order), the mapping that follows canvas resizes, and a "restore" action
// whose data is this item (a void* variant) for the dustbin's preview. GUI thread only.
class ZarvoItem {
 public:
  // `item` is the graphics item that carries this mix-in; it gets ItemSendsGeometryChanges.
  explicit ZarvoItem(QGraphicsItem* item);
  virtual ~ZarvoItem();

  ZarvoItem(const ZarvoItem&) = delete;
  ZarvoItem& operator=(const ZarvoItem&) = delete;

  QGraphicsItem* graphicsItem() const { return graphicsItem_; }
  QAction* restoreAction() const { return restoreAction_; }
  ZarvoItemFaderUpper& fader() { return fader_; }
  double fadeLevel() const { return fadeLevel_; }
  void setFadeLevel(double level) { fadeLevel_ = level; }
  // Objects that follow the item; empty for image items.
  QList<std::shared_ptr<ZarvoItemHandle>>& handles() { return handles_; }

  // An item whose owner maps it when the canvas changes; the item controller leaves it alone,
  // so every canvas change reaches it once.
  bool resizedByOwner() const { return resizedByOwner_; }
  void setResizedByOwner(bool byOwner) { resizedByOwner_ = byOwner; }

  // sqrt of the area ratio of the two canvases (sizes right - left + 1); 1.0 unless both are
  // valid.
  virtual double scaleFactor(const QRect& newRect, const QRect& oldRect) const;
  // `p` scaled by the width and height ratios of the two canvases; `p` unless both are valid.
  virtual QPointF mapPoint(const QPointF& p, const QRect& newRect, const QRect& oldRect) const;
  // Maps the position and scales the transform; the handles follow.
  virtual void canvasResized(const QRect& newRect, const QRect& oldRect);
  // Generic handle operations (scene points): the item's rectangle's top-left to `p`; a
  // rotation about its centre towards `p`; a scale about its centre by `p`'s ratio to the
  // bottom-right corner.
  virtual void moveByHandle(const QPointF& p);
  virtual void rotateByHandle(const QPointF& p);
  virtual void scaleByHandle(const QPointF& p);
  virtual QRectF itemRect() const = 0;
  virtual QString displayName() const;
  virtual QIcon icon() const;

  // ---- The registry
  static const QList<ZarvoItem*>& registeredItems();
  static QList<QGraphicsItem*> allGraphicsItems();
  // Registered items whose graphics item is selected, in registry order.
  static QList<ZarvoItem*> selectedItems();
  static ZarvoItem* firstSelectedItem();

 protected:
  void followHandles();

 private:
  QGraphicsItem* graphicsItem_;
  ZarvoItemFaderUpper fader_;
  QObject* restoreActionParent_ = nullptr;
  QAction* restoreAction_;
  QList<std::shared_ptr<ZarvoItemHandle>> handles_;
  double fadeLevel_ = 1.0;
  bool resizedByOwner_ = false;
};
