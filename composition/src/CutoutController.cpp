#include "composition/CutoutController.h"

#include <algorithm>

#include <QGraphicsPixmapItem>
#include <QPainter>

#include "composition/CutoutInstanceItem.h"
#include "composition/CutoutRecord.h"
#include "composition/ItemScene.h"
#include "composition/ZarvoObject.h"
#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/UnsplitImageWork.h"

namespace {

CutoutController* current = nullptr;

constexpr int kThumbnailSide = 85;
constexpr double kFrontZ = 4.0;

}  // namespace

struct CutoutController::Private {
  QGraphicsPixmapItem* layerItem = nullptr;
  ItemScene* scene = nullptr;
  CutoutInstanceItem* selected = nullptr;
  CutoutRecord* current = nullptr;
  QList<CutoutRecord*> earlier;          // most recent first
  QList<CutoutInstanceItem*> instances;  // front-most first
  bool updating = false;
  bool editing = false;
};

CutoutController::CutoutController(ItemScene* scene, QObject* parent)
    : QAbstractListModel(parent), d(new Private) {
  ::current = this;
  d->scene = scene;
  d->layerItem = new QGraphicsPixmapItem;
  d->layerItem->setZValue(kFrontZ);
  // The instances show until a view tab asks for the flattened layer.
  d->layerItem->setVisible(false);
  scene->addItem(d->layerItem);

  GmModel* model = GmModel::instance();
  connect(model, &GmModel::cutoutChanged, this, &CutoutController::currentCutoutChangedSlot);
  connect(model, &GmModel::tellImageChanged, this, &CutoutController::currentCutoutChangedSlot);
  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::canvasChanged, this, &CutoutController::canvasChangedSlot);
  connect(hub, &ZarvoObject::zarvoReset, this, &CutoutController::reset);
  connect(hub, &ZarvoObject::settling, this, &CutoutController::settle, Qt::DirectConnection);
  connect(this, &CutoutController::generatedImageChanged, hub, &ZarvoObject::cutoutChangedSlot);
  connect(scene, &QGraphicsScene::selectionChanged, this, &CutoutController::sceneSelectionChanged);
  connect(scene, &ItemScene::itemsClosing, this, &CutoutController::forgetItems);
}

CutoutController::~CutoutController() {
  if (::current == this) ::current = nullptr;
  if (d->scene) {
    disconnect(d->scene, nullptr, this, nullptr);
    d->instances.clear();
    d->selected = nullptr;
    delete d->layerItem;
  }
  deleteRecord(d->current);
  for (CutoutRecord* record : d->earlier) deleteRecord(record);
}

CutoutController* CutoutController::instance() {
  return ::current;
}

void CutoutController::deleteRecord(CutoutRecord* record) {
  if (!record) return;
  // Without a scene the items are gone already.
  if (d->scene) qDeleteAll(record->instances);
  delete record;
}

void CutoutController::forgetItems() {
  d->instances.clear();
  d->selected = nullptr;
  d->layerItem = nullptr;
  if (d->current) d->current->instances.clear();
  for (CutoutRecord* record : d->earlier) record->instances.clear();
  d->scene = nullptr;
}

// ---- List model

int CutoutController::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : d->earlier.size();
}

QVariant CutoutController::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= d->earlier.size() ||
      role != Qt::DecorationRole)
    return QVariant();
  return thumbnail(d->earlier.at(index.row())->pixmap);
}

QPixmap CutoutController::thumbnail(const QPixmap& source) {
  QPixmap thumb(kThumbnailSide, kThumbnailSide);
  thumb.fill(Qt::white);
  if (source.isNull()) return thumb;
  const double s =
      std::min(double(kThumbnailSide) / source.width(), double(kThumbnailSide) / source.height());
  QRect target(0, 0, qRound(source.width() * s), qRound(source.height() * s));
  target.moveCenter(thumb.rect().center());
  QPainter painter(&thumb);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(target, source);
  return thumb;
}

// ---- State

CutoutInstanceItem* CutoutController::selectedInstance() const {
  return d->selected;
}
const QList<CutoutInstanceItem*>& CutoutController::instances() const {
  return d->instances;
}
QGraphicsPixmapItem* CutoutController::layerItem() const {
  return d->layerItem;
}
const CutoutRecord* CutoutController::currentRecord() const {
  return d->current;
}
bool CutoutController::isEditing() const {
  return d->editing;
}
void CutoutController::setEditing(bool editing) {
  d->editing = editing;
}

void CutoutController::setEditingAndRefresh(bool editing) {
  if (CutoutController* controller = instance()) {
    controller->setEditing(editing);
    controller->refreshSelectability();
  }
}

// ---- Cut-outs arriving

void CutoutController::currentCutoutChangedSlot() {
  TsSourceImage* image = GmModel::instance()->blendImage();
  if (!image || !d->scene) return;
  QPoint origin(0, 0);
  const QPixmap pixmap = image->croppedToContentPixmap(&origin);
  if (d->current) {
    d->current->pixmap = pixmap;
    d->current->origin = origin;
    for (CutoutInstanceItem* item : d->current->instances)
      item->setPixmap(pixmap, QSizeF(-1, -1), origin);
  } else {
    d->current = new CutoutRecord{pixmap, origin, image->fileName(), {}};
    addInstance(d->current);
  }
  regenerateLayer();
}

CutoutInstanceItem* CutoutController::addInstance(CutoutRecord* record) {
  auto* item = new CutoutInstanceItem(d->scene, record, this);
  item->setPixmap(record->pixmap, QSizeF(-1, -1), record->origin);
  record->instances.append(item);
  item->setZValue(kFrontZ);
  const QRect canvas = ZarvoObject::instance()->canvasRect();
  item->setPos((canvas.left() + canvas.right()) / 2, (canvas.top() + canvas.bottom()) / 2);
  d->instances.prepend(item);
  reorderZValues();
  d->selected = item;
  refreshSelectability();
  return item;
}

// ---- Flattening

QRect CutoutController::layerClip(const QRect& canvas) {
  if (canvas.width() <= 0 || canvas.height() <= 0) return QRect();
  const int margin = qRound(0.1 * std::max(canvas.width(), canvas.height()));
  return canvas.adjusted(-margin, -margin, margin, margin);
}

void CutoutController::regenerateLayer() {
  QRect bounds;
  for (const CutoutInstanceItem* item : d->instances)
    bounds |= item->sceneBoundingRect().toAlignedRect();
  // Only canvas pixels reach the picture; the margin keeps a shadow at the border.
  bounds &= layerClip(ZarvoObject::instance()->canvasRect());
  // The old layer's pixels go before the new ones are painted: one layer fewer at the peak, and
  // the memory is taken again rather than handed back to the system and faulted in afresh.
  if (d->layerItem) d->layerItem->setPixmap(QPixmap());
  QImage image;
  // Painted premultiplied (the fast path, and what the layer's pixmap holds), handed on as plain
  // ARGB32.
  QImage canvas;
  if (!bounds.isEmpty()) {
    canvas = QImage(bounds.size(), QImage::Format_ARGB32_Premultiplied);
    if (!canvas.isNull()) {
      canvas.fill(Qt::transparent);
      QPainter painter(&canvas);
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.translate(-bounds.topLeft());
      for (auto it = d->instances.crbegin(); it != d->instances.crend(); ++it)
        (*it)->drawInto(&painter);
      painter.end();
      image = kestrum::unsplitConverted(canvas, QImage::Format_ARGB32);
    }
  }
  const QPoint topLeft = image.isNull() ? QPoint(0, 0) : bounds.topLeft();
  if (d->layerItem) {
    d->layerItem->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(canvas)));
    d->layerItem->setPos(topLeft);
  }
  emit generatedImageChanged(image, topLeft);
}

void CutoutController::cutoutInstanceItemManipulated() {
  regenerateLayer();
}

void CutoutController::imageProcessed(const QImage& image) {
  if (d->layerItem) d->layerItem->setPixmap(kestrum::unsplitPixmap(image));
}

// ---- Stacking and editing

void CutoutController::reorderZValues() {
  const int n = d->instances.size();
  for (int i = 0; i < n; ++i) d->instances.at(i)->setZValue(kFrontZ - double(i) / n);
  regenerateLayer();
}

void CutoutController::bringCutOutToFront() {
  const int i = d->instances.indexOf(d->selected);
  if (i < 1) return;
  d->instances.move(i, 0);
  reorderZValues();
}

void CutoutController::moveCutOutToBack() {
  const int i = d->instances.indexOf(d->selected);
  if (i == -1 || i == d->instances.size() - 1) return;
  d->instances.move(i, d->instances.size() - 1);
  reorderZValues();
}

void CutoutController::moveCutOutForward() {
  const int i = d->instances.indexOf(d->selected);
  if (i < 1) return;
  d->instances.move(i, i - 1);
  reorderZValues();
}

void CutoutController::moveCutOutBack() {
  const int i = d->instances.indexOf(d->selected);
  if (i == -1 || i == d->instances.size() - 1) return;
  d->instances.move(i, i + 1);
  reorderZValues();
}

void CutoutController::deleteCutOut() {
  if (CutoutInstanceItem* item = d->selected) {
    d->selected = nullptr;
    d->instances.removeOne(item);
    item->record()->instances.removeOne(item);
    delete item;
    if (d->editing) emit selectedCutoutInstanceItemChanged();
  }
  regenerateLayer();
}

void CutoutController::cloneCutOut() {
  CutoutInstanceItem* source = d->selected;
  if (!source || !d->scene) return;
  CutoutRecord* record = source->record();
  auto* clone = new CutoutInstanceItem(d->scene, record, this);
  clone->setPixmap(record->pixmap, QSizeF(-1, -1), record->origin);
  record->instances.append(clone);
  clone->copyFrom(*source);
  d->instances.prepend(clone);
  reorderZValues();
  clone->moveBy(10, 10);
  d->selected = clone;
  refreshSelectability();
}

// ---- Selection and visibility

void CutoutController::refreshSelectability() {
  d->updating = true;
  for (CutoutInstanceItem* item : d->instances) {
    item->setFlag(QGraphicsItem::ItemIsSelectable, d->editing);
    item->setSelected(false);
  }
  if (d->editing && d->selected) {
    d->selected->setSelected(true);
    emit selectedCutoutInstanceItemChanged();
  }
  d->updating = false;
}

void CutoutController::sceneSelectionChanged() {
  if (d->updating || !d->editing || !d->scene) return;
  const QList<QGraphicsItem*> selection = d->scene->selectedItems();
  d->selected =
      selection.isEmpty() ? nullptr : qgraphicsitem_cast<CutoutInstanceItem*>(selection.first());
  emit selectedCutoutInstanceItemChanged();
}

void CutoutController::setInstancesShown(bool show) {
  // Hidden items lose their selection; the controller keeps its own.
  d->updating = true;
  for (CutoutInstanceItem* item : d->instances) item->setVisible(show);
  if (d->layerItem) d->layerItem->setVisible(!show);
  d->updating = false;
  refreshSelectability();
}

// ---- Canvas and reset

void CutoutController::canvasChangedSlot(const QRect& newRect, const QRect& oldRect) {
  for (CutoutInstanceItem* item : d->instances) item->canvasResized(newRect, oldRect);
  regenerateLayer();
}

void CutoutController::reset() {
  d->selected = nullptr;
  d->instances.clear();
  deleteRecord(d->current);
  d->current = nullptr;
  if (!d->earlier.isEmpty()) {
    beginRemoveRows(QModelIndex(), 0, d->earlier.size() - 1);
    for (CutoutRecord* record : d->earlier) deleteRecord(record);
    d->earlier.clear();
    endRemoveRows();
  }
  regenerateLayer();
}

void CutoutController::settle(bool* finished) {
  // One layer holds every instance: their pending notices are all told by one regeneration.
  bool pending = false;
  for (CutoutInstanceItem* item : d->instances) pending = item->takeOwnerNotice() || pending;
  if (!pending) return;
  regenerateLayer();
  *finished = true;
}
