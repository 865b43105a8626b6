#pragma once

#include <functional>
#include <memory>

#include <QGraphicsPixmapItem>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSizeF>

#include "composition/ZarvoGrabHandle.h"
#include "composition/ZarvoItem.h"

class ZarvoImageItemPrivate;

// A pixmap on the composition canvas (cut-out instances, the logo) with its own rotation angle
// and two scale factors: its position is the pixmap's centre and its transform is
// rotate(angle) . scale(scaleX, scaleY). While editable it shows three grab handles (drag at the
// top-left pixel, rotate at the bottom-left, scale at the bottom-right), which keep one size on
// screen. It limits its size and position, and tells its owner 20 ms after the last of a burst
// of moves, scales and rotations. GUI thread only.
class ZarvoImageItem : public QGraphicsPixmapItem, public ZarvoItem {
 public:
  using Owner = std::function<void()>;
  using Handle = ZarvoGrabHandle<ZarvoImageItem>;

  // Added to `scene` (with its handles) when it is not null; `owner` may be empty. Starts
  // without a pixmap, editable, rotatable.
  explicit ZarvoImageItem(QGraphicsScene* scene, Owner owner = Owner());
  ~ZarvoImageItem() override;

  // Replaces the pixmap. `anchor` names the pixmap's top-left in a frame shared by the
  // pixmaps (a cut-out's place in its photo). A target size with both sides >= 0 fits the
  // pixmap to it; otherwise an item the user has not transformed is fitted to 90 % of the
  // canvas, and a transformed one keeps the anchor's frame where it was on the canvas.
  virtual void setPixmap(const QPixmap& pixmap, const QSizeF& targetSize, const QPoint& anchor);
  // Editable: movable, with its handles shown while it is visible.
  virtual void setEditable(bool editable);
  // No rotation, scaled to fit `size` (1.0 when it has a negative side or cannot be fitted),
  // centred on the canvas.
  void fitToSize(const QSizeF& size);
  void setRotatable(bool rotatable);
  // Scales by f in both directions, within the limits.
  void scaleBy(double f);
  // Multiplies the scale factors by fx and fy, clamped to the size limits (with `keepAspect`
  // both by the smaller clamp); keeps the signs of fx and fy. A factor that is not finite, or
  // that would bring a scale to 0.001 or below, changes nothing. Does not set the transform.
  void applyScale(double fx, double fy, bool keepAspect);
  // Takes `other`'s owner, limits, pixmap, placement, z value and flags (cloning). The copy
  // counts as placed by the user, also when `other` is still at its automatic fit.
  void copyFrom(const ZarvoImageItem& other);
  // The item as it lies on the canvas, from its full pixmap: an image of its scene bounding
  // rectangle aligned to pixels, whose top-left goes to `topLeft`; null for an empty item.
  QImage renderToImage(QPoint* topLeft, QPainter::RenderHints hints) const;
  // Paints the full pixmap through the item's scene transform onto `painter`.
  void drawInto(QPainter* painter) const;

  // ---- Handle drags (scene points): the scale handle's, the rotate handle's and the drag
  // handle's. Each marks the item as transformed by the user, as a drag by the body does.
  void scaleDrag(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers);
  void rotateDrag(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers);
  void cornerDrag(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers);

  // ---- Limits. The position stays inside `rect` when it has a positive width and height.
  void setLimitRect(const QRectF& rect);
  QRectF limitRect() const;
  // The largest displayed size (pixels), when both are positive.
  void setMaxSize(double width, double height);
  double maxWidth() const;
  double maxHeight() const;
  // When valid, the item must cover it (a background over the canvas).
  void setBoundsRect(const QRect& rect);
  QRect boundsRect() const;

  double angle() const;
  double scaleX() const;
  double scaleY() const;
  bool isEditable() const;
  bool userTransformed() const;
  // A change waits to be told to the owner (its 20 ms single shot runs).
  bool ownerNoticePending() const;
  // For an owner that tells itself at once: stops a pending notice, answering whether there
  // was one, so that the same change is not told twice.
  bool takeOwnerNotice();
  QPoint anchor() const;
  Handle* scaleHandle() const;
  Handle* rotateHandle() const;  // null while rotation is off
  Handle* dragHandle() const;
  // The corner in item coordinates that each handle sits on.
  QPointF scaleCorner() const;
  QPointF rotateCorner() const;
  QPointF dragCorner() const;

  QRectF itemRect() const override;
  // Keeps its place relative to the canvas and its size relative to the canvas area, through
  // its own scale factors (within the size limits); an invalid canvas on either side maps
  // nothing.
  void canvasResized(const QRect& newRect, const QRect& oldRect) override;

  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 protected:
  QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
  // A drag by the body (the item is movable while editable) marks what it moves as placed by
  // the user, as the handle drags do.
  void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
  // The transform from the angle and the two scales.
  void applyMatrix();
  // The handles at their corners for an item at `position` with `matrix`.
  void placeHandles(const QPointF& position, const QTransform& matrix);
  // The centre of the hub's canvas, in integer division as the canvas rectangle gives it.
  static QPointF canvasCentre();

 private:
  Handle* makeRotateHandle();
  // The user moved, scaled or turned it: it keeps its placement, and the hub learns of the
  // change.
  void placedByUser();
  void setHandlesVisible(bool visible);
  QPointF constrainedPosition(QPointF p) const;

  std::unique_ptr<ZarvoImageItemPrivate> d;
};
