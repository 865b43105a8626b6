#include "composition/ItemController.h"

#include "composition/ZarvoItem.h"
#include "composition/ZarvoObject.h"

namespace {
ItemController* controller = nullptr;
}

ItemController* ItemController::instance() {
  if (!controller) controller = new ItemController;
  return controller;
}

ItemController* ItemController::existingInstance() {
  return controller;
}

void ItemController::destroyInstance() {
  delete controller;
  controller = nullptr;
}

ItemController::ItemController() {
  connect(ZarvoObject::instance(), &ZarvoObject::canvasChanged, this,
          &ItemController::canvasChangedSlot);
}

void ItemController::setSelectedItems(const QList<ZarvoItem*>& items) {
  selectedItems_ = items;
}

void ItemController::setBackdropPixmapSlot(const QPixmap&, const QSize& size) {
  setCanvasSize(size);
}

void ItemController::resetCanvasSettings() {
  ZarvoObject::instance()->setCanvasRect(QRect(0, 0, 400, 300));
}

void ItemController::setCanvasSize(const QSize& size) {
  ZarvoObject::instance()->setCanvasRect(QRect(QPoint(0, 0), size));
}

void ItemController::canvasChangedSlot(const QRect& newRect, const QRect& oldRect) {
  // A copy: an item may go while others follow.
  const QList<ZarvoItem*> items = ZarvoItem::registeredItems();
  for (ZarvoItem* item : items)
    if (!item->resizedByOwner()) item->canvasResized(newRect, oldRect);
}
