#pragma once

#include "composition/ZarvoImageItem.h"

class CutoutController;
struct CutoutRecord;

// One placement of a cut-out on the canvas. Its centre stays on the canvas and it grows to at
// most three times the canvas; it is movable with handles exactly while selected. Its
// controller maps it on canvas changes (so the item controller leaves it alone) and is told 20
// ms after the last move, scale or rotation. GUI thread only.
class CutoutInstanceItem : public ZarvoImageItem {
 public:
  enum { Type = UserType + 0x2301 };

  CutoutInstanceItem(QGraphicsScene* scene, CutoutRecord* record, CutoutController* controller);

  int type() const override { return Type; }
  CutoutRecord* record() const { return record_; }

  // Takes the new canvas's limits, then maps itself as any image item.
  void canvasResized(const QRect& newRect, const QRect& oldRect) override;

 protected:
  QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

 private:
  // The limits that follow the canvas: the canvas itself, three times its size.
  void limitTo(const QRect& canvas);

  CutoutRecord* record_;
};
