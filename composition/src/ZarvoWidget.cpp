#include "composition/ZarvoWidget.h"

#include <algorithm>
#include <cmath>

#include <QCursor>
#include <QMouseEvent>

#include "composition/CompositionMouseTool.h"
#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/ZarvoGrabHandleBase.h"
#include "composition/ZarvoObject.h"
#include "workspace/GmTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/WorkspaceHost.h"

namespace {

bool usableScale(double s) {
  return s > 0.0 && std::isfinite(s);
}

// Whether two rectangles differ by more than rounding in any of x, y, width and height.
bool differ(const QRectF& a, const QRectF& b) {
  const double pairs[4][2] = {
      {a.x(), b.x()}, {a.y(), b.y()}, {a.width(), b.width()}, {a.height(), b.height()}};
  for (const auto& pair : pairs)
    if (std::abs(pair[0] - pair[1]) > 1e-12 * std::max(std::abs(pair[0]), std::abs(pair[1])))
      return true;
  return false;
}

}  // namespace

ZarvoWidget::ZarvoWidget(QWidget* parent) : QGraphicsView(parent) {
  initCompositionResources();
  setScene(&itemScene_);
  setTransformationAnchor(QGraphicsView::NoAnchor);
  setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
  cutoutController_ = new CutoutController(&itemScene_);
  hub_ = ZarvoObject::instance();
  connect(hub_, &ZarvoObject::canvasChanged, this, &ZarvoWidget::updateSceneRect);
  connect(hub_, &ZarvoObject::updateView, this, &ZarvoWidget::updateView);
  hub_->setScene(&itemScene_);
  setBackgroundBrush(QColor(62, 57, 54));
}

ZarvoWidget::~ZarvoWidget() {
  delete cutoutController_;
  cutoutController_ = nullptr;
  if (hub_ && hub_->scene() == &itemScene_) hub_->setScene(nullptr);
}

ItemScene* ZarvoWidget::itemScene() const {
  return qobject_cast<ItemScene*>(scene());
}

QRectF ZarvoWidget::visibleSceneRect() const {
  return mapToScene(viewport()->rect()).boundingRect();
}

QPointF ZarvoWidget::visibleSceneCentre() const {
  return visibleSceneRect().center();
}

// ---- Zoom quantities

QRectF ZarvoWidget::contentRect() const {
  const QRectF items = scene() ? scene()->itemsBoundingRect() : QRectF();
  if (!items.isEmpty()) return items;
  const QRect canvas = hub_ ? hub_->canvasRect() : QRect();
  return canvas.isValid() ? QRectF(canvas) : QRectF();
}

double ZarvoWidget::fitRatio() const {
  const QRectF content = contentRect();
  const QRectF port(viewport()->rect());
  if (content.isEmpty() || port.isEmpty()) return 0.0;
  const double ratio = std::min(port.width() / content.width(), port.height() / content.height());
  return usableScale(ratio) ? ratio : 0.0;
}

double ZarvoWidget::minimumScale() const {
  double s = 1.0;
  const double fit = 0.85 * fitRatio();
  if (usableScale(fit)) s = std::min(s, fit);
  // The present zoom is always inside the range.
  if (usableScale(currentScale())) s = std::min(s, currentScale());
  return s;
}

double ZarvoWidget::maximumScale() const {
  return std::max(0.85 * fitRatio(), 4.0);
}

double ZarvoWidget::scaleToProportion(double scale) const {
  const double low = std::log10(minimumScale()), high = std::log10(maximumScale());
  return (std::log10(scale) - low) / (high - low);
}

double ZarvoWidget::proportionToScale(double proportion) const {
  const double low = std::log10(minimumScale()), high = std::log10(maximumScale());
  return std::pow(10.0, (1.0 - proportion) * low + proportion * high);
}

// ---- Zoom operations

void ZarvoWidget::notifyZoom(double scale) {
  ZarvoGrabHandleBase::setViewScale(scale);
  emit zoomedTo(scale);
  emit zoomProportion(scaleToProportion(scale));
}

void ZarvoWidget::zoomToSlot(double scale, const QPointF& centre) {
  if (!usableScale(scale)) return;
  resetTransform();
  this->scale(scale, scale);
  if (!centre.isNull()) centerOn(centre);
  notifyZoom(scale);
}

void ZarvoWidget::setZoomProportion(double proportion, const QPointF& centre) {
  zoomToSlot(proportionToScale(proportion), centre);
}

void ZarvoWidget::zoomTo100PercentSlot() {
  resetTransform();
  setSceneRect(contentRect());
  notifyZoom(1.0);
}

void ZarvoWidget::fitImageOnScreenSlot() {
  const QRectF content = contentRect();
  setSceneRect(content);
  double s = 0.85 * fitRatio();
  resetTransform();
  if (usableScale(s)) {
    scale(s, s);
    if (!content.center().isNull()) centerOn(content.center());
  } else {
    s = 1.0;  // nothing to fit, or no room to fit it in
  }
  notifyZoom(s);
}

void ZarvoWidget::zoomTo100Percent() {
  zoomTo100PercentSlot();
}

void ZarvoWidget::fitImageOnScreen() {
  fitImageOnScreenSlot();
}

void ZarvoWidget::updateView(const QRect&) {
  fitImageOnScreenSlot();
}

void ZarvoWidget::updateSceneRect() {
  const QRectF visible = visibleSceneRect();
  const QRectF items = scene() ? scene()->itemsBoundingRect() : QRectF();
  if (items.isEmpty() || visible.contains(items)) return;
  const int left = int(std::ceil(visible.x())), top = int(std::ceil(visible.y()));
  const QRectF whole(left, top, std::floor(visible.x() + visible.width()) - left,
                     std::floor(visible.y() + visible.height()) - top);
  setSceneRect(items.united(whole));
  emit zoomProportion(scaleToProportion(currentScale()));
}

// ---- Tabs and cursors

void ZarvoWidget::viewTabChangedSlot(ImageView::ViewTab view) {
  if (cutoutController_) cutoutController_->setInstancesShown(view != ImageView::AddEffects);
}

void ZarvoWidget::cursorChangedSlot(const QCursor* cursor) {
  if (cursor) viewport()->setCursor(*cursor);
}

void ZarvoWidget::toolChangedSlot(const GmTool* tool) {
  viewport()->setCursor(tool ? tool->cursor() : QCursor(Qt::ArrowCursor));
}

// ---- Mouse

CompositionMouseTool* ZarvoWidget::mouseTool() {
  return dynamic_cast<CompositionMouseTool*>(GmTool::current());
}

void ZarvoWidget::mousePressEvent(QMouseEvent* event) {
  pressVisibleRect_ = visibleSceneRect();
  pressItemsRect_ = scene() ? scene()->itemsBoundingRect() : QRectF();
  CompositionMouseTool* tool = mouseTool();
  if (tool && tool->compositionPress(event, mapToScene(event->pos()))) return;
  QGraphicsView::mousePressEvent(event);
}

void ZarvoWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  CompositionMouseTool* tool = mouseTool();
  if (tool && tool->compositionDoubleClick(event, mapToScene(event->pos()))) return;
  QGraphicsView::mouseDoubleClickEvent(event);
}

void ZarvoWidget::mouseMoveEvent(QMouseEvent* event) {
  CompositionMouseTool* tool = mouseTool();
  if (tool && tool->compositionMove(event, mapToScene(event->pos()))) return;
  QGraphicsView::mouseMoveEvent(event);
}

void ZarvoWidget::mouseReleaseEvent(QMouseEvent* event) {
  CompositionMouseTool* tool = mouseTool();
  if (tool && tool->compositionRelease(event, mapToScene(event->pos()))) return;
  QGraphicsView::mouseReleaseEvent(event);
  // An item dragged past the visible area takes the scene rectangle with it.
  if (scene() && differ(scene()->itemsBoundingRect(), pressItemsRect_)) updateSceneRect();
}

// ---- Drag and drop: as on the cut-out canvas

void ZarvoWidget::dragEnterEvent(QDragEnterEvent* event) {
  GmZoomWidget::handleDragEnter(event);
}

void ZarvoWidget::dragMoveEvent(QDragMoveEvent* event) {
  GmZoomWidget::handleDragMove(event);
}

void ZarvoWidget::dragLeaveEvent(QDragLeaveEvent* event) {
  GmZoomWidget::handleDragLeave(event);
}

void ZarvoWidget::dropEvent(QDropEvent* event) {
  workspaceHost().receiveDrop(event);
}
