#include "workspace/TsWorkspace.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QScrollBar>

#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/ImageView.h"

TsWorkspace::TsWorkspace(ImageView* owner)
    : QScrollArea(owner), owner_(owner), canvas_(new GmZoomWidget) {
  setFrameStyle(QFrame::NoFrame);
  setBackgroundRole(QPalette::Dark);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setWidgetResizable(false);
  setWidget(canvas_);
  connect(owner, &ImageView::viewTabChanged, canvas_, &GmZoomWidget::viewTabChangedSlot);
  connect(canvas_, &GmZoomWidget::activateArrowTargetAt, owner, &ImageView::activateArrowTargetAt);
  connect(canvas_, &GmZoomWidget::zoomChanged, owner, &ImageView::zoomChanged);
  connect(GmModel::instance(), &GmModel::brushSizeSliderMoved, this,
          &TsWorkspace::showBrushBeingChangedBySlider);
}

bool TsWorkspace::hasImage() const {
  const TsSourceImage* image = GmModel::instance()->segImage();
  return image && image->isValid();
}

GRectF TsWorkspace::displayedRect() const {
  const QScrollBar* h = horizontalScrollBar();
  const QScrollBar* v = verticalScrollBar();
  const double zoom = canvas_->zoom();
  const QSize image = GmModel::instance()->imageSize();
  const QRect visible(h->value(), v->value(), h->pageStep(), v->pageStep());
  const QRect scaled(0, 0, int(image.width() * zoom), int(image.height() * zoom));
  const QRect shown = visible & scaled;
  if (shown.isEmpty() || zoom <= 0) return GRectF(0, 0, 0, 0);
  return GRectF(shown.x() / zoom, shown.y() / zoom, shown.width() / zoom, shown.height() / zoom);
}

void TsWorkspace::recordCentre() {
  auto fraction = [](const QScrollBar* bar) {
    const double extent = bar->maximum() + bar->pageStep();
    return extent > 0 ? (bar->value() + bar->pageStep() * 0.5) / extent : 0.5;
  };
  centreX_ = fraction(horizontalScrollBar());
  centreY_ = fraction(verticalScrollBar());
  offsetX_ = horizontalScrollBar()->pageStep() * 0.5;
  offsetY_ = verticalScrollBar()->pageStep() * 0.5;
}

void TsWorkspace::applyPendingCentre() {
  if (centreX_ < 0) return;
  // The scroll ranges follow the canvas's new size only once its resize was delivered (at
  // once while shown, at the next layout while hidden); until then the centre stays pending.
  const QSize viewportSize = viewport()->size();
  if (horizontalScrollBar()->maximum() != std::max(0, canvas_->width() - viewportSize.width()) ||
      verticalScrollBar()->maximum() != std::max(0, canvas_->height() - viewportSize.height()))
    return;
  horizontalScrollBar()->setValue(int(std::floor(canvas_->width() * centreX_ - offsetX_ + 0.5)));
  verticalScrollBar()->setValue(int(std::floor(canvas_->height() * centreY_ - offsetY_ + 0.5)));
  centreX_ = centreY_ = -1;
}

void TsWorkspace::zoomBy(bool absolute, double value) {
  if (centreX_ < 0) recordCentre();
  canvas_->setZoom(absolute, value);
  applyPendingCentre();
}

void TsWorkspace::zoomToRect(const ImageRectF& rect) {
  if (centreX_ >= 0 || !hasImage()) return;
  const QSize image = GmModel::instance()->imageSize();
  const double zoom = canvas_->zoom();
  centreX_ = (rect.x() + rect.width() / 2) / image.width();
  centreY_ = (rect.y() + rect.height() / 2) / image.height();
  if (rect.width() == 0 && rect.height() == 0) {
    offsetX_ = rect.x() * zoom - horizontalScrollBar()->value();
    offsetY_ = rect.y() * zoom - verticalScrollBar()->value();
    canvas_->setZoom(false, 1.25);
  } else {
    offsetX_ = horizontalScrollBar()->pageStep() * 0.5;
    offsetY_ = verticalScrollBar()->pageStep() * 0.5;
    const QSize view = viewport()->size();
    canvas_->setZoom(false, std::min(view.height() / (rect.height() * zoom),
                                     view.width() / (rect.width() * zoom)));
  }
  applyPendingCentre();
}

void TsWorkspace::moveImageViewportTo(const ImageRectF& rect) {
  setUpdatesEnabled(false);
  if (rect.width() >= 0 && rect.height() >= 0) {
    zoomToRect(rect);
  } else {
    const double zoom = canvas_->zoom();
    horizontalScrollBar()->setValue(int(std::lround(rect.x() * zoom)));
    verticalScrollBar()->setValue(int(std::lround(rect.y() * zoom)));
  }
  setUpdatesEnabled(true);
}

void TsWorkspace::minCheckedMoveImageViewportTo(const ImageRectF& rect) {
  const double zoom = canvas_->zoom();
  if (rect.width() * zoom < 5.0 || rect.height() * zoom < 5.0)
    zoomBy(false, 1.25);
  else
    moveImageViewportTo(rect);
}

void TsWorkspace::pan(int dx, int dy) {
  setUpdatesEnabled(false);
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
  verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
  setUpdatesEnabled(true);
}

void TsWorkspace::showBrushBeingChangedBySlider() {
  canvas_->showOutlineAt(canvas_->mapFrom(viewport(), viewport()->rect().center()));
}

void TsWorkspace::reportDisplayedRect(bool onlyWhenVisible) {
  if (!hasImage()) return;
  const GRectF shown = displayedRect();
  if (onlyWhenVisible && shown.isEmpty()) return;
  emit sayDisplayedRectChanged(shown, canvas_->zoom());
}

void TsWorkspace::scrollContentsBy(int dx, int dy) {
  QScrollArea::scrollContentsBy(dx, dy);
  reportDisplayedRect(true);
}

void TsWorkspace::resizeEvent(QResizeEvent* event) {
  canvas_->resize(canvas_->sizeHint());
  QScrollArea::resizeEvent(event);
  reportDisplayedRect(false);
}

bool TsWorkspace::viewportEvent(QEvent* event) {
  const bool handled = QScrollArea::viewportEvent(event);
  if (event->type() == QEvent::LayoutRequest) {
    applyPendingCentre();
    reportDisplayedRect(false);
  } else if (event->type() == QEvent::Resize) {
    applyPendingCentre();
  }
  return handled;
}
