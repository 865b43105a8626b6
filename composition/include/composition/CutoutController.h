#pragma once

#include <memory>

#include <QAbstractListModel>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>

class CutoutInstanceItem;
class ItemScene;
class QGraphicsPixmapItem;
struct CutoutRecord;

// Turns the cut-out of the masking side into instances on the composition canvas, which the
// user moves, scales, rotates, clones, stacks and deletes. After every change it flattens the
// instances into one image, shows it in a layer item of its own, and sends it with its canvas
// position to the hub and to the effects that work on the cut-out (generatedImageChanged).
// Instances are selectable only while an editing tool has set `editing`.
//
// One per composition view, which creates it on its scene and deletes it; instance() is that
// one (null when there is no view). It owns its records and their instances while the scene
// lives, and forgets them when the scene goes first. As a list model it holds earlier cut-outs,
// of which this system keeps none (rowCount 0). GUI thread only.
class CutoutController : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit CutoutController(ItemScene* scene, QObject* parent = nullptr);
  ~CutoutController() override;

  static CutoutController* instance();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // The row's 85 x 85 thumbnail for Qt::DecorationRole.
  QVariant data(const QModelIndex& index, int role) const override;

  // ---- Stacking and editing of the selected instance; each does nothing without one (or
  // when the instance is already where the operation would put it).
  void bringCutOutToFront();
  void moveCutOutToBack();
  void moveCutOutForward();
  void moveCutOutBack();
  void deleteCutOut();
  // A copy of the selected instance, 10 units right and down of it, in front of all.
  void cloneCutOut();

  CutoutInstanceItem* selectedInstance() const;
  // Every instance on the canvas, front-most first.
  const QList<CutoutInstanceItem*>& instances() const;
  // The flattened layer's item (null once the scene is gone).
  QGraphicsPixmapItem* layerItem() const;
  // The cut-out now coming from the masking side; null before the first.
  const CutoutRecord* currentRecord() const;
  bool isEditing() const;
  void setEditing(bool editing);
  // The editing tools' switch: the view's controller, when there is one, takes `editing` and
  // refreshes the instances' selectability.
  static void setEditingAndRefresh(bool editing);

  // Shows the instances (and the handles of the editable one) or, hidden, the flattened layer.
  void setInstancesShown(bool show);
  // Every instance selectable exactly while editing; the selected one selected again.
  void refreshSelectability();
  // Flattens the instances (back to front) into the layer and sends it. The layer covers the
  // instances within the canvas grown by a tenth of its larger side on every side.
  void regenerateLayer();

  // The rectangle a layer is clipped to for `canvas`; empty for an empty canvas.
  static QRect layerClip(const QRect& canvas);
  static QPixmap thumbnail(const QPixmap& source);

 signals:
  void generatedImageChanged(const QImage& image, const QPoint& topLeft);
  void selectedCutoutInstanceItemChanged();

 public slots:
  // A new cut-out or a new source image: the current record takes its pixmap, or the first
  // cut-out starts a record with one instance.
  void currentCutoutChangedSlot();
  void canvasChangedSlot(const QRect& newRect, const QRect& oldRect);
  void cutoutInstanceItemManipulated();
  // The highlighted cut-out replaces the layer item's pixmap; the hub is not told.
  void imageProcessed(const QImage& image);
  void sceneSelectionChanged();
  // The hub was reset: every record and instance goes.
  void reset();
  // The hub's settling: a move, scale or rotation whose notice is still pending is sent now.
  void settle(bool* finished);

 private:
  struct Private;

  CutoutInstanceItem* addInstance(CutoutRecord* record);
  void reorderZValues();
  void deleteRecord(CutoutRecord* record);
  // The scene deletes every item: drop the pointers without touching the items.
  void forgetItems();

  std::unique_ptr<Private> d;
};
