#include "workspace/ZoomViewOptionsWidget.h"

#include <cmath>

#include <QHBoxLayout>
#include <QMetaMethod>
#include <QSlider>

#include "workspace/CompositionZoomView.h"
#include "workspace/NavigatorWindow.h"

namespace {

constexpr int sliderMinimum = -25;
constexpr int sliderMaximum = 25;

// The signal zoomProportion of the composition view's object, declared with qreal or double.
QMetaMethod zoomProportionSignal(const QObject* object) {
  const QMetaObject* meta = object->metaObject();
  int index = meta->indexOfSignal(QMetaObject::normalizedSignature("zoomProportion(qreal)"));
  if (index < 0) index = meta->indexOfSignal("zoomProportion(double)");
  return index < 0 ? QMetaMethod() : meta->method(index);
}

}  // namespace

ZoomViewOptionsWidget::ZoomViewOptionsWidget(QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal)) {
  slider_->setRange(sliderMinimum, sliderMaximum);
  slider_->setValue(0);
  slider_->setFixedWidth(150);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(slider_);
  connect(slider_.data(), &QSlider::valueChanged, this,
          &ZoomViewOptionsWidget::zoomSliderChangedSlot);
}

void ZoomViewOptionsWidget::connectViews(NavigatorWindow* navigator, ImageView* editView,
                                         CompositionZoomView* compositionView) {
  compositionView_ = compositionView;
  QObject* composition = compositionView ? compositionView->zoomObject() : nullptr;
  compositionObject_ = composition;
  if (compositionView && composition) {
    // The view's object bounds the life of the calls into it.
    connect(this, &ZoomViewOptionsWidget::composition_actualPixelsSignal, composition,
            [compositionView] { compositionView->zoomTo100Percent(); });
    connect(this, &ZoomViewOptionsWidget::composition_fitScreenSignal, composition,
            [compositionView] { compositionView->fitImageOnScreen(); });
    connect(this, &ZoomViewOptionsWidget::composition_zoomProportion, composition,
            [compositionView](double proportion, const QPointF& centre) {
              compositionView->setZoomProportion(proportion, centre);
            });
    const QMetaMethod reported = zoomProportionSignal(composition);
    if (reported.isValid())
      connect(composition, reported, this,
              metaObject()->method(metaObject()->indexOfSlot(
                  QMetaObject::normalizedSignature("setCompositionZoomProportion(double)"))));
    else
      qWarning("The composition view reports no zoomProportion(qreal)");
  }
  if (editView) {
    connect(this, &ZoomViewOptionsWidget::edit_actualPixelsSignal, editView,
            &ImageView::zoomTo100PercentSlot);
    connect(this, &ZoomViewOptionsWidget::edit_fitScreenSignal, editView,
            &ImageView::fitImageOnScreenSlot);
    connect(editView, &ImageView::viewTabChanged, this, &ZoomViewOptionsWidget::viewTabChanged);
  }
  if (navigator) {
    connect(navigator, &NavigatorWindow::zoomSliderChange, this,
            &ZoomViewOptionsWidget::setEditZoomSliderValue);
    connect(this, &ZoomViewOptionsWidget::edit_zoomSliderChanged, navigator,
            &NavigatorWindow::syncBoxFromSliderSlot);
    connect(this, &ZoomViewOptionsWidget::edit_zoomIn, navigator, &NavigatorWindow::zoomInSlot);
    connect(this, &ZoomViewOptionsWidget::edit_zoomOut, navigator, &NavigatorWindow::zoomOutSlot);
  }
  if (compositionView && composition) emit composition_fitScreenSignal();
  // The slider works from the start, not only after the first tab change.
  if (editView) viewTabChanged(ImageView::ViewTab(editView->currentViewTab()));
}

int ZoomViewOptionsWidget::positionOf(double proportion) const {
  if (!slider_) return 0;
  return int(std::trunc(slider_->maximum() * proportion + slider_->minimum() * (1 - proportion)));
}

void ZoomViewOptionsWidget::moveSlider(int value, bool setRange) {
  if (!slider_) return;
  QPointer<QSlider> slider = slider_;
  const bool wasBlocked = slider->blockSignals(true);
  if (setRange) slider->setRange(sliderMinimum, sliderMaximum);
  slider->setValue(value);
  if (slider) slider->blockSignals(wasBlocked);
}

void ZoomViewOptionsWidget::setCompositionZoomProportion(double proportion) {
  compositionProportion_ = proportion;
  if (mode_ == CompositionMode) moveSlider(positionOf(proportion));
}

void ZoomViewOptionsWidget::setEditZoomSliderValue(int value) {
  editSliderValue_ = value;
  if (mode_ == EditMode) moveSlider(value);
}

void ZoomViewOptionsWidget::zoomSliderChangedSlot(int value) {
  if (mode_ == EditMode) {
    editSliderValue_ = value;
    emit edit_zoomSliderChanged(value);
  } else if (mode_ == CompositionMode && slider_) {
    const double range = slider_->maximum() - slider_->minimum();
    const double proportion = range > 0 ? (value - slider_->minimum()) / range : 0;
    compositionProportion_ = proportion;
    const QPointF centre =
        compositionView_ && compositionObject_ ? compositionView_->visibleSceneCentre() : QPointF();
    emit composition_zoomProportion(proportion, centre);
  }
}

void ZoomViewOptionsWidget::zoomIn() {
  if (mode_ == EditMode) {
    emit edit_zoomIn();
  } else if (mode_ == CompositionMode && slider_) {
    moveSlider(slider_->value() + slider_->pageStep());
    if (slider_) zoomSliderChangedSlot(slider_->value());
  }
}

void ZoomViewOptionsWidget::zoomOut() {
  if (mode_ == EditMode) {
    emit edit_zoomOut();
  } else if (mode_ == CompositionMode && slider_) {
    moveSlider(slider_->value() - slider_->pageStep());
    if (slider_) zoomSliderChangedSlot(slider_->value());
  }
}

void ZoomViewOptionsWidget::viewTabChanged(ImageView::ViewTab tab) {
  if (tab == ImageView::DeleteBackground) {
    if (mode_ == EditMode) return;
    mode_ = EditMode;
    moveSlider(int(std::trunc(editSliderValue_)), true);
  } else {
    if (mode_ == CompositionMode) return;
    mode_ = CompositionMode;
    moveSlider(0, true);
    moveSlider(positionOf(compositionProportion_));
  }
}

void ZoomViewOptionsWidget::fitScreenSlot() {
  if (mode_ == CompositionMode)
    emit composition_fitScreenSignal();
  else
    emit edit_fitScreenSignal();
}

void ZoomViewOptionsWidget::actualPixelsSlot() {
  if (mode_ == CompositionMode)
    emit composition_actualPixelsSignal();
  else
    emit edit_actualPixelsSignal();
}
