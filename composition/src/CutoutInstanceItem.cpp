#include "composition/CutoutInstanceItem.h"

#include <cmath>

#include "composition/CutoutController.h"
#include "composition/ZarvoObject.h"

CutoutInstanceItem::CutoutInstanceItem(QGraphicsScene* scene, CutoutRecord* record,
                                       CutoutController* controller)
    : ZarvoImageItem(scene, [controller] { controller->cutoutInstanceItemManipulated(); }),
      record_(record) {
  setResizedByOwner(true);
  const QRect canvas = ZarvoObject::instance()->canvasRect();
  limitTo(canvas);
  // The double-precision 0.9 here, unlike the pixmap's own fit.
  fitToSize(QSizeF(std::lround(canvas.width() * 0.9), std::lround(canvas.height() * 0.9)));
  setEditable(false);
}

void CutoutInstanceItem::limitTo(const QRect& canvas) {
  setLimitRect(QRectF(canvas));
  setMaxSize(std::lround(canvas.width() * 3.0), std::lround(canvas.height() * 3.0));
}

void CutoutInstanceItem::canvasResized(const QRect& newRect, const QRect& oldRect) {
  limitTo(newRect);
  ZarvoImageItem::canvasResized(newRect, oldRect);
}

QVariant CutoutInstanceItem::itemChange(GraphicsItemChange change, const QVariant& value) {
  if (change == ItemSelectedChange) {
    setEditable(value.toBool());
    return value;
  }
  return ZarvoImageItem::itemChange(change, value);
}
