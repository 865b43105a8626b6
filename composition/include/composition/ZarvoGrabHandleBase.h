#pragma once

#include <QGraphicsPixmapItem>
#include <QPixmap>
#include <QPointF>

class QGraphicsScene;
class QGraphicsSceneMouseEvent;

// The part of every grab handle that does not depend on its owner's type: the pixmap drawn at
// an offset from the handle's position, the mouse drag that it turns into scene points, and the
// process-wide set of live handles, which all keep one size on screen whatever the view's zoom.
// GUI thread only.
class ZarvoGrabHandleBase : public QGraphicsPixmapItem {
 public:
  // OwnerPlaced: the owner positions the handle after each drag (image items); SelfMoving: the
  // handle follows the mouse itself (the background's handles).
  enum class Placement { SelfMoving, OwnerPlaced };

  // Added to `scene` when it is not null; scaled by the current inverse view scale.
  ZarvoGrabHandleBase(const QPixmap& pixmap, QGraphicsScene* scene, const QPointF& offset,
                      Placement placement);
  ~ZarvoGrabHandleBase() override;

  bool ownerPlaced() const { return ownerPlaced_; }
  // Handle position minus the pointer's scene position at the press.
  QPointF grabOffset() const { return grabOffset_; }

  // The composition view's scale after each zoom (screen pixels per scene unit): every handle
  // is scaled by 1 / s. Scales that are not positive and finite are ignored.
  static void setViewScale(double s);
  static double inverseViewScale();
  // Whether `item` is a handle that still exists.
  static bool isLive(const QGraphicsItem* item);

  // The pixmap's offset that centres it on the position: minus the centre of its integer
  // rectangle, each coordinate (left + right) / 2 in integers.
  static QPointF centredOffset(const QPixmap& pixmap);

 protected:
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
  void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
  // Where the handle is dragged to (scene units), with the keyboard modifiers of the move.
  virtual void dragged(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers) = 0;

 private:
  QPointF grabOffset_;
  bool ownerPlaced_;
};
