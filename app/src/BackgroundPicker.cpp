#include "app/BackgroundPicker.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "document/GmColor.h"

BackgroundPicker::BackgroundPicker(QWidget* parent) : QWidget(parent) {
  singleClick_.setSingleShot(true);
  connect(&singleClick_, &QTimer::timeout, this, &BackgroundPicker::deliverSingleClick);
}

void BackgroundPicker::addSwatch(GmColor* colour, const QPixmap& texture) {
  if (!colour) return;
  colour->setParent(this);
  connect(colour, &GmColor::colorChanged, this, [this] { update(); });
  swatches_.append(Swatch{colour, texture});
  update();
}

QBrush BackgroundPicker::brush(int i) const {
  if (i < 0 || i >= swatches_.size()) return QBrush(Qt::white);
  const Swatch& swatch = swatches_.at(i);
  QBrush result(swatch.colour->color());
  if (!swatch.texture.isNull()) result.setTexture(swatch.texture);
  return result;
}

QRect BackgroundPicker::swatchRect(int i) const {
  const int n = swatches_.size() + 1;
  const int width = std::max(0, this->width() - 2), height = std::max(0, this->height() - 2);
  const int side =
      std::min(int(std::lround(double(height) / n)), int(std::lround(double(width) / n)));
  // Only the longer side's surplus is shared out: the shorter one is filled by rounding.
  const int offsetX = width >= height ? (width - n * side) / 2 : 0;
  const int offsetY = width >= height ? 0 : (height - n * side) / 2;
  return QRect(offsetX + side * i, offsetY + side * i, 2 * side, 2 * side);
}

void BackgroundPicker::rotateLastToFront() {
  if (swatches_.size() > 1) swatches_.prepend(swatches_.takeLast());
}

void BackgroundPicker::singleClickEvent(const QMouseEvent* event) {
  const QPoint at = event->pos();
  bool inside = false;
  for (int i = 0; i < swatches_.size() && !inside; ++i) inside = swatchRect(i).contains(at);
  if (inside) {
    swatches_.first().colour->changeColorSlot();
  } else if (at.x() >= width() / 2 && at.y() < height()) {
    rotateLastToFront();
  } else {
    return;
  }
  update();
  emit activeBrushChanged();
}

void BackgroundPicker::doubleClickEvent(const QMouseEvent*) {
  rotateLastToFront();
  update();
  emit activeBrushChanged();
}

void BackgroundPicker::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressPosition_ = event->pos();
  singleClick_.start(QApplication::doubleClickInterval());
}

void BackgroundPicker::mouseDoubleClickEvent(QMouseEvent* event) {
  singleClick_.stop();
  if (event->button() == Qt::LeftButton) doubleClickEvent(event);
}

void BackgroundPicker::deliverSingleClick() {
  const QMouseEvent click(QEvent::MouseButtonPress, pressPosition_, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
  singleClickEvent(&click);
}

void BackgroundPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(palette().color(QPalette::Dark), 1));
  // The active swatch last, so it lies on top.
  for (int i = swatches_.size() - 1; i >= 0; --i) {
    const QRect square = swatchRect(i).translated(1, 1);
    painter.fillRect(square, brush(i));
    painter.drawRect(square.adjusted(0, 0, -1, -1));
  }
}
