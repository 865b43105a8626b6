#include "composition/ItemScene.h"

#include <QAction>
#include <QGraphicsItem>
#include <QGraphicsView>

#include "composition/CompositionHost.h"
#include "composition/DustbinSignaller.h"
#include "composition/ItemController.h"
#include "composition/ZarvoItem.h"
#include "composition/ZarvoWidget.h"

ItemScene::ItemScene(QObject* parent) : QGraphicsScene(parent) {
  connect(this, &QGraphicsScene::selectionChanged, this, &ItemScene::selectionChangedSlot);
}

ItemScene::~ItemScene() {
  disconnect(this, &QGraphicsScene::selectionChanged, this, &ItemScene::selectionChangedSlot);
  emit itemsClosing();
  restorePreview_ = nullptr;
  // Composition items first: each deletes its own handles, which the plain clearing below
  // would otherwise delete under them.
  const QList<ZarvoItem*> items = ZarvoItem::registeredItems();
  for (ZarvoItem* item : items)
    if (ZarvoItem::registeredItems().contains(item) && item->graphicsItem() &&
        item->graphicsItem()->scene() == this)
      delete item;
}

ZarvoWidget* ItemScene::zarvoWidget() const {
  const QList<QGraphicsView*> list = views();
  return list.isEmpty() ? nullptr : qobject_cast<ZarvoWidget*>(list.first());
}

void ItemScene::selectionChangedSlot() {
  QList<ZarvoItem*> selected;
  for (ZarvoItem* item : ZarvoItem::registeredItems())
    if (item->graphicsItem() && item->graphicsItem()->scene() == this &&
        item->graphicsItem()->isSelected())
      selected << item;
  // The controller comes with the first selection; an empty one need not make it.
  ItemController* controller =
      selected.isEmpty() ? ItemController::existingInstance() : ItemController::instance();
  if (controller) controller->setSelectedItems(selected);
}

void ItemScene::restoreItemHovered(QAction* action) {
  restoreItemHide();
  if (!action) return;
  const QVariant data = action->data();
  void* pointer = data.canConvert<void*>() ? data.value<void*>() : nullptr;
  auto* item = static_cast<ZarvoItem*>(pointer);
  // Only an item that still exists is shown.
  if (!item || !ZarvoItem::registeredItems().contains(item) || !item->graphicsItem()) return;
  addItem(item->graphicsItem());
  restorePreview_ = item;
  update();
}

void ItemScene::restoreItemHide() {
  if (restorePreview_ && ZarvoItem::registeredItems().contains(restorePreview_) &&
      restorePreview_->graphicsItem() && restorePreview_->graphicsItem()->scene() == this)
    removeItem(restorePreview_->graphicsItem());
  restorePreview_ = nullptr;
}

void ItemScene::emptyDustbin() {
  if (!compositionHost().confirm(tr("Items in the Trash will be lost permanently"),
                                 tr("Empty Trash")))
    return;
  QList<ZarvoItem*>& dustbin = DustbinSignaller::items();
  while (!dustbin.isEmpty()) delete dustbin.takeFirst();
  emit DustbinSignaller::instance()->sizeChanged(0);
}
