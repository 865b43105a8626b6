#include "workspace/ColourAxis.h"

#include <QImage>
#include <QPainter>

#include "workspace/ColourDisplay.h"

ColourAxis::ColourAxis(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
  if (orientation == Qt::Horizontal)
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  else
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void ColourAxis::setChannel(kestrum::colour::channel channel) {
  channel_ = channel;
  update();
}

QSize ColourAxis::sizeHint() const {
  return orientation_ == Qt::Horizontal ? QSize(256, 10) : QSize(10, 256);
}

void ColourAxis::paintEvent(QPaintEvent*) {
  const bool across = orientation_ == Qt::Horizontal;
  QImage values(across ? 256 : 1, across ? 1 : 256, QImage::Format_RGB32);
  for (int v = 0; v < 256; ++v) {
    const QRgb colour = ColourDisplay::valueColour(channel_, v);
    if (across)
      values.setPixel(v, 0, colour);
    else
      values.setPixel(0, 255 - v, colour);
  }
  QPainter painter(this);
  painter.drawImage(rect(), values);
}
