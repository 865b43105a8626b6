#pragma once

#include <QGraphicsScene>

class QAction;
class ZarvoItem;
class ZarvoWidget;

// The composition scene. It owns every item in it: its destructor first tells whoever holds
// item pointers (itemsClosing), then deletes the composition items in it (each with its
// handles), then the rest. GUI thread only.
class ItemScene : public QGraphicsScene {
  Q_OBJECT

 public:
  explicit ItemScene(QObject* parent = nullptr);
  ~ItemScene() override;

  // The first of the scene's views as a composition view; null without one.
  ZarvoWidget* zarvoWidget() const;
  // The dustbin item shown as a preview by restoreItemHovered; null when none.
  ZarvoItem* restorePreview() const { return restorePreview_; }

 signals:
  // The scene is being destroyed and deletes its items next.
  void itemsClosing();

 public slots:
  // Hands the selected composition items to the item controller.
  void selectionChangedSlot();
  // Shows the item carried in `action`'s data (a void* variant) as a preview in the scene.
  void restoreItemHovered(QAction* action);
  void restoreItemHide();
  // Asks "Items in the Trash will be lost permanently" through the composition host; on
  // "Empty Trash" deletes every dustbin item.
  void emptyDustbin();

 private:
  ZarvoItem* restorePreview_ = nullptr;
};
