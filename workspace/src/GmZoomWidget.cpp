#include "workspace/GmZoomWidget.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QTabletEvent>

#include "StatusOverlay.h"
#include "document/DocumentKeys.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/Rectangle.h"
#include "document/TsSourceImage.h"
#include "workspace/GmTool.h"
#include "workspace/ToolOptions.h"
#include "workspace/WorkspaceHost.h"

namespace {

const QString backgroundKey = QStringLiteral("GmZoomWidget/backgroundColour_");

QSettings settingsStore() {
  return QSettings(settingsKeys::organisation, settingsKeys::application);
}

// 32 × 32, transparent but for four arms 4 to 8 pixels out from (8, 8); hot spot (8, 8).
QCursor crosshairCursor(const QColor& colour) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QPen(colour, 1));
  painter.drawLine(12, 8, 16, 8);
  painter.drawLine(4, 8, 0, 8);
  painter.drawLine(8, 12, 8, 16);
  painter.drawLine(8, 4, 8, 0);
  painter.end();
  return QCursor(pixmap, 8, 8);
}

// The non-zero pixels of `mask` (8-bit, offset at its place in the working image) as a region
// of display pixels, r × r per working pixel.
QRegion displayRegionOf(const QImage& mask, int r) {
  QVector<QRect> runs;
  const QPoint offset = mask.offset();
  for (int y = 0; y < mask.height(); ++y) {
    const uchar* line = mask.constScanLine(y);
    for (int x = 0; x < mask.width();) {
      if (!line[x]) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < mask.width() && line[x]) ++x;
      runs.append(QRect((offset.x() + start) * r, (offset.y() + y) * r, (x - start) * r, r));
    }
  }
  QRegion region;
  region.setRects(runs.constData(), runs.size());
  return region;
}

}  // namespace

GmZoomWidget::GmZoomWidget(QWidget* parent)
    : QWidget(parent),
      lastPressure_(std::numeric_limits<double>::quiet_NaN()),
      overlay_(std::make_unique<StatusOverlay>()) {
  setBackgroundRole(QPalette::Window);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setAutoFillBackground(false);
  setAcceptDrops(true);

  bool ok = false;
  const QRgb white = QColor(Qt::white).rgb();
  const uint stored = settingsStore().value(backgroundKey, white).toUInt(&ok);
  setBackgroundColour(QColor(QRgb(ok ? stored : white)));

  GmModel* model = GmModel::instance();
  connect(model, &GmModel::tellImageChanged, this, &GmZoomWidget::imageChangedSlot);
  connect(model, &GmModel::rectDirty, this, &GmZoomWidget::rectDirtySlot);
  connect(model, &GmModel::toolChanged, this, &GmZoomWidget::toolChangedSlot);
  connect(model, &GmModel::cursorChanged, this, &GmZoomWidget::cursorChangedSlot);
  connect(model, &GmModel::resolutionChanged, this, &GmZoomWidget::resolutionChangedSlot);
  connect(model, &GmModel::patchPreviewAvailable, this, &GmZoomWidget::patchPreviewAvailableSlot);
  connect(model, &GmModel::hintOpacityChanged, this, &GmZoomWidget::hintOpacityChangedSlot);
  connect(model, &GmModel::showOriginal, this, &GmZoomWidget::showOriginalSlot);
  connect(model, &GmModel::changeBackgroundColour, this, &GmZoomWidget::changeBackgroundColourSlot);
}

GmZoomWidget::~GmZoomWidget() {
  settingsStore().setValue(backgroundKey, uint(backgroundColour_.rgb()));
}

bool GmZoomWidget::hasImage() const {
  const TsSourceImage* image = GmModel::instance()->segImage();
  return image && image->isValid() && !GmModel::instance()->imageSize().isEmpty();
}

// ---- Zoom and geometry

void GmZoomWidget::setZoom(bool absolute, double value) {
  const double wanted = std::min(absolute ? value : zoom_ * value, 4.0);
  if (wanted > 0 && std::isfinite(wanted)) zoom_ = wanted;
  if (pointerInside_ && !anchorIsGlobal_) {
    pointerPos_ = mapToGlobal(pointerPos_ + imageRect_.topLeft());
    anchorIsGlobal_ = true;
  }
  if (sizeHint() == size()) {
    updateImageRect();
    update();
  }
  emit zoomChanged(zoom_);
  updateGeometry();
  resize(sizeHint());
  placeOutline();
}

void GmZoomWidget::fitToSize(int width, int height) {
  if (!hasImage()) {
    setZoom(true, 1.0);
    return;
  }
  const QSize image = GmModel::instance()->imageSize();
  const QSize fitted = image.scaled(width, height, Qt::KeepAspectRatio);
  setZoom(true, double(fitted.width()) / image.width());
}

QSize GmZoomWidget::sizeHint() const {
  QSize scaled(0, 0);
  if (hasImage()) {
    const QSize image = GmModel::instance()->imageSize();
    scaled = QSize(int(image.width() * zoom_), int(image.height() * zoom_));
  }
  return parentWidget() ? scaled.expandedTo(parentWidget()->size()) : scaled;
}

void GmZoomWidget::updateImageRect() {
  if (!hasImage()) {
    imageRect_ = QRect(QPoint(0, 0), QPoint(-1, -1));
    return;
  }
  const QSize image = GmModel::instance()->imageSize();
  const int w = int(image.width() * zoom_), h = int(image.height() * zoom_);
  const int left = width() >= w ? (width() - w) / 2 : 0;
  const int top = height() >= h ? (height() - h) / 2 : 0;
  imageRect_ = QRect(QPoint(left, top), QPoint(width() >= w ? left + w - 1 : width() - 1,
                                               height() >= h ? top + h - 1 : height() - 1));
}

void GmZoomWidget::fitNewImage() {
  const QSize area = parentWidget() ? parentWidget()->size() : size();
  fitToSize(int(std::lround(area.width() * 0.85)), int(std::lround(area.height() * 0.85)));
}

QPoint GmZoomWidget::anchorPoint() const {
  return anchorIsGlobal_ ? mapFromGlobal(pointerPos_) - imageRect_.topLeft() : pointerPos_;
}

void GmZoomWidget::setBackgroundColour(const QColor& colour) {
  if (colour == backgroundColour_) return;
  backgroundColour_ = colour;
  setStyleSheet(QStringLiteral("background-color: ") + colour.name() + QStringLiteral(" ;"));
}

// ---- Document and view signals

void GmZoomWidget::imageChangedSlot() {
  overlay_->clear();
  if (isVisible()) {
    fitNewImage();
    fitPending_ = false;
  } else {
    fitPending_ = true;
  }
  update();
  placeOutline();
}

void GmZoomWidget::rectDirtySlot(ImageRectF rect, DirtyHint hint, PatchPreviewWanted wanted) {
  if (wanted == PatchPreviewWanted::Yes) dropPreview();
  const double grow = hint == DirtyHint::Outline ? 2.0 : hint == DirtyHint::Handles ? 4.5 : 0.0;
  const QRectF scaled(rect.x() * zoom_, rect.y() * zoom_, rect.width() * zoom_,
                      rect.height() * zoom_);
  update(
      scaled.adjusted(-grow, -grow, grow, grow).toAlignedRect().translated(imageRect_.topLeft()));
}

void GmZoomWidget::toolChangedSlot(const GmTool* tool) {
  setCursor(tool ? tool->cursor() : QCursor(Qt::ArrowCursor));
  update();
  placeOutline();
}

void GmZoomWidget::cursorChangedSlot(const QCursor* cursor) {
  if (cursor) setCursor(*cursor);
  refreshOutline();
}

void GmZoomWidget::viewTabChangedSlot(ImageView::ViewTab tab) {
  const int mode = tab == ImageView::DeleteBackground ? 1 : -1;
  if (mode == displayMode_) return;
  displayMode_ = mode;
  const GmTool* tool = GmTool::current();
  setCursor(tool && (tool->viewTabs() & tab) ? tool->cursor() : QCursor(Qt::ArrowCursor));
  update();
  placeOutline();
}

void GmZoomWidget::resolutionChangedSlot(int, int) {}

void GmZoomWidget::patchPreviewAvailableSlot(const GmRegion* region) {
  GmModel* model = GmModel::instance();
  GmRegion* patch = nullptr;
  for (GmRegion* candidate : model->patches())
    if (candidate == region) patch = candidate;
  if (!patch) return;
  const QImage mask = patch->snapshotMask();
  if (mask.isNull()) return;
  previewPatch_ = patch;
  previewRegion_ = displayRegionOf(mask, model->resolution());
}

void GmZoomWidget::hintOpacityChangedSlot() {
  hintOpacity_ += 1.0f / 3.0f;
  if (hintOpacity_ > 0.7f) hintOpacity_ = 0;
  update();
}

void GmZoomWidget::showOriginalSlot() {
  showOriginal_ = !showOriginal_;
  update();
}

void GmZoomWidget::changeBackgroundColourSlot() {
  const QColor chosen = workspaceHost().askColour(backgroundColour_);
  if (chosen.isValid()) setBackgroundColour(chosen);
}

void GmZoomWidget::dropPreview() {
  GmModel* model = GmModel::instance();
  if (previewPatch_) {
    rectDirtySlot(ImageRectF(previewPatch_->shape().boundingRect()), DirtyHint::Exact);
    previewPatch_ = nullptr;
    model->clearToolRectangle();
  }
  if (!previewRegion_.isEmpty()) {
    previewRegion_ = QRegion();
    model->clearToolRectangle();
  }
}

// ---- Pointer and brush outline

void GmZoomWidget::refreshOutline() {
  placeOutline();
  const GmTool* tool = GmTool::current();
  if (outlineBox_.isValid()) setCursor(tool->cursor());
  if (!pointerInside_ && tool && tool->isBrushTool())
    setCursor(crosshairCursor(tool->cursorColour()));
}

void GmZoomWidget::placeOutline() {
  const GmTool* tool = GmTool::current();
  if (sliderPreview_ && !ToolOptions::brushSizeSliderDown()) sliderPreview_ = false;
  const bool shown =
      tool && tool->isBrushTool() && displayMode_ == 1 && (pointerInside_ || sliderPreview_);
  if (!shown) {
    if (outlineBox_.isValid()) update(outlineRegion_);
    outlineBox_ = QRect();
    outlineRegion_ = QRegion();
    return;
  }
  const double s = GmModel::instance()->resolution() * zoom_;
  const int size = ToolOptions::brushSize();
  const QPoint at = sliderPreview_ ? previewPos_ : anchorPoint();
  const double radius = std::max(size * 0.5, 8.0 / s);
  const QPointF centre = QPointF(at) / s;
  const QRect working =
      QRectF(centre.x() - radius - 0.5, centre.y() - radius - 0.5, 2 * radius + 1, 2 * radius + 1)
          .toAlignedRect();
  const QRect box =
      QRectF(working.x() * s, working.y() * s, working.width() * s, working.height() * s)
          .toAlignedRect()
          .translated(imageRect_.topLeft())
          .adjusted(-1, -1, 1, 1);
  const QPointF widgetCentre(at + imageRect_.topLeft());
  const QRegion area = outlineArea(box, widgetCentre, size * 0.5 * s, s);
  if (outlineBox_.isValid()) update(outlineRegion_);
  update(area);
  outline_ = {widgetCentre, imageRect_.topLeft(), s, size, tool->cursorColour()};
  outlineBox_ = box;
  outlineRegion_ = area;
}

QRegion GmZoomWidget::outlineArea(const QRect& box, const QPointF& centre, double radius,
                                  double s) const {
  // The crosshair with its halo reaches 10 screen pixels out whatever the zoom; far out, more
  // than the box's 8 plus a fraction of a working pixel.
  const QRegion cross(QRect((centre - QPointF(12, 12)).toPoint(), QSize(25, 25)));
  // Small outlines are repainted whole; a ring's band pays only where it is large.
  if (box.width() <= 96) return QRegion(box) + cross;
  const QRect shown = box & visibleRegion().boundingRect();
  if (shown.isEmpty()) return QRegion();
  const double margin = (s >= 5.0 ? 2.5 * s : 0.0) + 3.0;
  const double outer = radius + margin, inner = radius - margin;
  // Row by row over the shown part, at most two spans a row, widened to whole pixels.
  QVector<QRect> spans;
  for (int y = shown.top(); y <= shown.bottom(); ++y) {
    const double dy = std::max(std::abs(y + 0.5 - centre.y()) - 0.5, 0.0);
    if (dy > outer) continue;
    const double wo = std::sqrt(outer * outer - dy * dy);
    const double dyFar = std::abs(y + 0.5 - centre.y()) + 0.5;
    const double wi = dyFar < inner ? std::sqrt(inner * inner - dyFar * dyFar) : -1.0;
    auto add = [&](int left, int right) {
      left = std::max(shown.left(), left);
      right = std::min(shown.right(), right);
      if (left <= right) spans.append(QRect(left, y, right - left + 1, 1));
    };
    const int outerLeft = int(std::floor(centre.x() - wo));
    const int outerRight = int(std::ceil(centre.x() + wo));
    const int innerLeft = wi < 0 ? 0 : int(std::ceil(centre.x() - wi));
    const int innerRight = wi < 0 ? 0 : int(std::floor(centre.x() + wi));
    // Spans of one row must not meet: a narrow hole joins them.
    if (wi < 0 || innerRight - innerLeft < 2) {
      add(outerLeft, outerRight);
    } else {
      add(outerLeft, innerLeft);
      add(innerRight, outerRight);
    }
  }
  QRegion area;
  area.setRects(spans.constData(), spans.size());
  area += cross & shown;
  return area;
}

void GmZoomWidget::showOutlineAt(const QPoint& widgetPoint) {
  previewPos_ = widgetPoint - imageRect_.topLeft();
  sliderPreview_ = true;
  refreshOutline();
}

// ---- Input

bool GmZoomWidget::routeMouse(QMouseEvent* event) {
  const bool press = event->type() == QEvent::MouseButtonPress;
  pointerPos_ = event->pos() - imageRect_.topLeft();
  anchorIsGlobal_ = false;
  pointerInside_ = true;
  if (press) pointerPointF_ = event->localPos() - QPointF(imageRect_.topLeft());
  refreshOutline();
  GmTool* tool = GmTool::current();
  if (!tool || !tool->isUsable() || !tool->isAvailableInCurrentTab()) return false;
  tool->updateButtonState(event);
  if (press && tool->clearsPreviewOnPress()) dropPreview();
  const QPointF point = QPointF(pointerPos_) / zoom_;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      tool->mousePressEvent(event, point);
      break;
    case QEvent::MouseMove:
      tool->mouseMoveEvent(event, point);
      break;
    case QEvent::MouseButtonRelease:
      tool->mouseReleaseEvent(event, point);
      break;
    case QEvent::MouseButtonDblClick:
      tool->mouseDoubleClickEvent(event, point);
      break;
    default:
      break;
  }
  return true;
}

void GmZoomWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressPos_ = event->pos();
  if (!routeMouse(event)) QWidget::mousePressEvent(event);
}

void GmZoomWidget::mouseMoveEvent(QMouseEvent* event) {
  routeMouse(event);
}

void GmZoomWidget::mouseReleaseEvent(QMouseEvent* event) {
  routeMouse(event);
}

void GmZoomWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  routeMouse(event);
}

void GmZoomWidget::tabletEvent(QTabletEvent* event) {
  const GmTool* tool = GmTool::current();
  if (workspaceHost().useTabletPressure() && tool && tool->isBrushTool() &&
      event->pointerType() == QTabletEvent::Pen) {
    const double pressure = event->pressure();
    if (pressure != lastPressure_) {  // a NaN never equals: the first reading always counts
      lastPressure_ = pressure;
      if (pressure != 0) ToolOptions::setTabletStroke(true);
      ToolOptions::setPressureFactor(pressure);
    }
  }
  // The platform then delivers the matching mouse events.
  event->ignore();
}

// ---- Widget events

void GmZoomWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (fitPending_) {
    fitNewImage();
    fitPending_ = false;
  }
}

void GmZoomWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  updateImageRect();
  if (outlineBox_.isValid()) placeOutline();
}

void GmZoomWidget::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  update();
  if (pointerInside_ && !anchorIsGlobal_) {
    pointerPos_ += event->oldPos() - event->pos();
    refreshOutline();
  } else if (outlineBox_.isValid()) {
    refreshOutline();
  }
}

void GmZoomWidget::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  pointerInside_ = false;
  refreshOutline();
}

void GmZoomWidget::contextMenuEvent(QContextMenuEvent* event) {
  event->ignore();
}

void GmZoomWidget::handleDragEnter(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!data || !(data->hasUrls() || data->hasImage() || data->hasText())) return;
  event->acceptProposedAction();
  if (QWidget* window = workspaceHost().mainWindow()) window->raise();
}

void GmZoomWidget::handleDragMove(QDragMoveEvent* event) {
  event->accept();
}

void GmZoomWidget::handleDragLeave(QDragLeaveEvent* event) {
  event->accept();
}

void GmZoomWidget::dragEnterEvent(QDragEnterEvent* event) {
  handleDragEnter(event);
}

void GmZoomWidget::dragMoveEvent(QDragMoveEvent* event) {
  handleDragMove(event);
}

void GmZoomWidget::dragLeaveEvent(QDragLeaveEvent* event) {
  handleDragLeave(event);
}

void GmZoomWidget::dropEvent(QDropEvent* event) {
  workspaceHost().receiveDrop(event);
}
