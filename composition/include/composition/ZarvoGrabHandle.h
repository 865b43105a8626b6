#pragma once

#include <QPoint>

#include "composition/ZarvoGrabHandleBase.h"

// A small pixmap item that turns a mouse drag into calls on its owner: each move calls
// `callback` with the point the handle is dragged to and the modifiers. The owner outlives its
// handles (it deletes them). GUI thread only.
template <class T>
class ZarvoGrabHandle : public ZarvoGrabHandleBase {
 public:
  using Callback = void (T::*)(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers);

  // The pixmap drawn at `offset` from the handle's position.
  ZarvoGrabHandle(const QPixmap& pixmap, QGraphicsScene* scene, T* owner, const QPoint& offset,
                  Callback callback, Placement placement = Placement::SelfMoving)
      : ZarvoGrabHandleBase(pixmap, scene, QPointF(offset), placement),
        owner_(owner),
        callback_(callback) {}
  // The pixmap centred on the handle's position.
  ZarvoGrabHandle(const QPixmap& pixmap, QGraphicsScene* scene, T* owner, Callback callback,
                  Placement placement = Placement::SelfMoving)
      : ZarvoGrabHandleBase(pixmap, scene, centredOffset(pixmap), placement),
        owner_(owner),
        callback_(callback) {}

  T* owner() const { return owner_; }

 protected:
  void dragged(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers) override {
    if (owner_ && callback_) (owner_->*callback_)(scenePoint, modifiers);
  }

 private:
  T* owner_;
  Callback callback_;
};
