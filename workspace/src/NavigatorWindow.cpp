#include "workspace/NavigatorWindow.h"

#include <algorithm>
#include <cmath>

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "workspace/Navigator.h"
#include "workspace/Slider.h"

namespace {

// Percent p and slider s: p = 10^(base + s × 0.04 × span).
const double base = std::log10(100.0);
const double span = std::log10(400.0) - base;
constexpr double lowestPercent = 25;
constexpr double highestPercent = 400;

qint64 photoKey() {
  const TsSourceImage* image = GmModel::instance()->segImage();
  return image && image->isValid() ? image->displayPixmap().cacheKey() : 0;
}

}  // namespace

double NavigatorWindow::percentForSlider(int value) {
  return std::pow(10.0, base + value * 0.04 * span);
}

int NavigatorWindow::sliderForPercent(double percent) {
  return int(std::lround((std::log10(percent) - base) / span * 25));
}

NavigatorWindow::NavigatorWindow(QWidget* parent, QWidget* menu, const QString& shortcut)
    : GmSubWindow(QStringLiteral("Navigator"), tr("Navigator"), menu, shortcut, parent),
      navigator_(new Navigator),
      box_(new QDoubleSpinBox),
      slider_(new Slider) {
  box_->setRange(lowestPercent, highestPercent);
  box_->setDecimals(2);
  box_->setSuffix(QStringLiteral("%"));
  box_->setValue(100);
  box_->setToolTip(tr("Zoom Percent"));
  QSlider* inner = slider_->slider();
  slider_->setMinimumWidth(130);
  inner->setRange(-25, 25);
  inner->setValue(0);
  slider_->setNudgeButtons(QPixmap(QStringLiteral(":images/nav_zoom_out.png")),
                           QPixmap(QStringLiteral(":images/nav_zoom_in.png")));
  slider_->setToolTips(tr("Zoom Slider"), tr("Zoom Out (Ctrl+-)"), tr("Zoom In (Ctrl++)"));

  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->addWidget(navigator_, 1);
  auto* controls = new QHBoxLayout;
  controls->addWidget(box_);
  controls->addWidget(slider_, 1);
  layout->addLayout(controls);
  setContentWidget(content);

  connect(inner, &QSlider::valueChanged, this, &NavigatorWindow::syncBoxFromSliderSlot);
  connect(box_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
          &NavigatorWindow::syncSliderFromBoxSlot);
  connect(box_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
          &NavigatorWindow::zoomChangedSlot);
  connect(slider_, &Slider::requestNudgeUp, this, &NavigatorWindow::zoomInSlot);
  connect(slider_, &Slider::requestNudgeDown, this, &NavigatorWindow::zoomOutSlot);
  connect(navigator_, &Navigator::imageUpdated, this, &NavigatorWindow::imageUpdatedSlot);
}

void NavigatorWindow::connectView(ImageView* view) {
  connect(GmModel::instance(), &GmModel::tellImageChanged, navigator_, &Navigator::updateImage);
  connect(navigator_, &Navigator::rectChanged, view, &ImageView::moveImageViewportToSlot);
  connect(navigator_, &Navigator::rectCenterChanged, view, &ImageView::centreViewportOnSlot);
  connect(view, &ImageView::sayViewportRectChanged, this, &NavigatorWindow::setRectSlot);
  connect(this, &NavigatorWindow::requestZoomTo, view, &ImageView::zoomToSlot);
}

void NavigatorWindow::syncBoxFromSliderSlot(int value) {
  {
    const QSignalBlocker blocker(box_);
    box_->setValue(percentForSlider(value));
  }
  emit requestZoomTo(box_->value() * 0.01);
}

void NavigatorWindow::syncSliderFromBoxSlot(double percent) {
  QSlider* inner = slider_->slider();
  {
    const QSignalBlocker blocker(inner);
    inner->setValue(sliderForPercent(percent));
  }
  emit requestZoomTo(box_->value() * 0.01);
  emit zoomSliderChange(inner->value());
}

void NavigatorWindow::zoomInSlot() {
  const double value = box_->value();
  const double next = std::min(value * 1.25, box_->maximum());
  if (std::trunc(next * 100) != std::trunc(value * 100)) box_->setValue(next);
}

void NavigatorWindow::zoomOutSlot() {
  const double value = box_->value();
  const double next = std::max(value * 0.8, box_->minimum());
  if (std::trunc(next * 100) != std::trunc(value * 100)) box_->setValue(next);
}

void NavigatorWindow::zoomChangedSlot(double percent) {
  const bool in = percent < box_->maximum();
  const bool out = percent > box_->minimum();
  if (in != zoomInEnabled_) {
    zoomInEnabled_ = in;
    emit zoomInEnabled(in);
  }
  if (out != zoomOutEnabled_) {
    zoomOutEnabled_ = out;
    emit zoomOutEnabled(out);
  }
}

void NavigatorWindow::setRectSlot(GRectF rectangle, qreal zoom) {
  navigator_->setRect(rectangle);
  resetFloorForPhoto();
  // A photo fitted below 25 % shows its true zoom: the floor follows it down.
  if (zoom > 0 && zoom * 100 < box_->minimum()) {
    const QSignalBlocker blocker(box_);
    box_->setMinimum(zoom * 100);
  }
  if (box_->value() * 0.01 != zoom) showZoom(zoom);
  zoomChangedSlot(box_->value());
}

void NavigatorWindow::showZoom(double zoom) {
  if (!(zoom > 0) || !std::isfinite(zoom)) return;
  QSlider* inner = slider_->slider();
  {
    const QSignalBlocker boxBlocker(box_);
    const QSignalBlocker sliderBlocker(inner);
    box_->setValue(zoom * 100);
    inner->setValue(sliderForPercent(zoom * 100));
  }
  emit zoomSliderChange(inner->value());
}

void NavigatorWindow::resetFloorForPhoto() {
  const qint64 photo = photoKey();
  if (photo == floorPhoto_) return;
  floorPhoto_ = photo;
  const QSignalBlocker blocker(box_);
  box_->setMinimum(lowestPercent);
}

void NavigatorWindow::imageUpdatedSlot() {
  resetFloorForPhoto();
  zoomChangedSlot(box_->value());
}
