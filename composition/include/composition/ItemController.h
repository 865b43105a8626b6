#pragma once

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QSize>

class QWidget;
class ZarvoItem;

// Passes canvas changes and scene selections on to the composition items. Items whose owner
// maps them on a canvas change (resizedByOwner) are left to that owner, so each item follows a
// canvas change once. One per process, created on first use and destroyed by destroyInstance()
// (tests, the shell at exit). GUI thread only.
class ItemController : public QObject {
  Q_OBJECT

 public:
  static ItemController* instance();
  static ItemController* existingInstance();
  static void destroyInstance();

  // The composition items the scene last reported selected; a panel of item options would
  // switch on them (none is attached in this system).
  void setSelectedItems(const QList<ZarvoItem*>& items);
  const QList<ZarvoItem*>& selectedItems() const { return selectedItems_; }
  QWidget* itemOptionsPanel() const { return itemOptionsPanel_; }

 public slots:
  // The canvas takes `size`; there is no backdrop item to take the pixmap.
  void setBackdropPixmapSlot(const QPixmap& pixmap, const QSize& size);
  // A canvas of 400 x 300 pixels.
  void resetCanvasSettings();
  void setCanvasSize(const QSize& size);

 private slots:
  void canvasChangedSlot(const QRect& newRect, const QRect& oldRect);

 private:
  ItemController();

  QWidget* itemOptionsPanel_ = nullptr;
  QList<ZarvoItem*> selectedItems_;
};
