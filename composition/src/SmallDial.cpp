#include "composition/SmallDial.h"

#include <cmath>

#include <QApplication>
#include <QPainter>
#include <QPolygonF>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "composition/ShadowMasks.h"

namespace {

constexpr double kAspect = 1.3;
constexpr double kInverseAspect = 0.7692307692307692;

// An open arrowhead with its point at `end`, turned by `degrees` (clockwise on screen).
void drawArrowhead(QPainter& painter, const QPointF& end, double degrees) {
  painter.save();
  painter.translate(end);
  painter.rotate(degrees);
  painter.drawLine(QPointF(-4, -6), QPointF(0, 0));
  painter.drawLine(QPointF(4, -6), QPointF(0, 0));
  painter.restore();
}

}  // namespace

SmallDial::SmallDial(QWidget* parent) : QDial(parent) {}

QSize SmallDial::minimumSizeHint() const {
  return QSize(35, 20);
}

QSize SmallDial::sizeHint() const {
  return minimumSizeHint().expandedTo(QApplication::globalStrut());
}

void SmallDial::resizeEvent(QResizeEvent* event) {
  setMinimumWidth(int(event->size().height() * 1.6));
  QDial::resizeEvent(event);
}

QRect SmallDial::frameRect(const QSize& size) {
  const int w = size.width(), h = size.height();
  if (w > kAspect * h) {
    const int left = int((w - kAspect * h) / 2);
    return QRect(QPoint(left, 0), QPoint(left + int(kAspect * h) - 1, h - 1));
  }
  if (kAspect * h > w) {
    const int top = int((h - w * kInverseAspect) / 2);
    return QRect(QPoint(0, top), QPoint(w - 1, top + int(w * kInverseAspect) - 1));
  }
  return QRect(QPoint(0, 0), size);
}

double SmallDial::arrowAngle() const {
  const int span = maximum() - minimum();
  const double turned = span == 0 ? 0.0 : double(sliderPosition() - minimum()) / span;
  return 1.5 * kShadowPi - 2.0 * kShadowPi * turned;
}

void SmallDial::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRect frame = frameRect(size());
  const QPoint centre = frame.center();
  const int side = frame.height();
  const QRectF face(centre.x() - side / 2.0, centre.y() - side / 2.0, side, side);
  const double radius = side / 2.0;

  const QPen light(palette().color(QPalette::Light));
  painter.setPen(light);
  if (isEnabled())
    painter.setBrush(palette().brush(
        QPalette::ColorRole(style()->styleHint(QStyle::SH_Dial_BackgroundRole, nullptr, this))));
  else
    painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(face);

  const double a = arrowAngle();
  auto at = [&](double angle, double rho) {
    return QPointF(centre.x() + rho * std::cos(angle), centre.y() - rho * std::sin(angle));
  };
  const QPolygonF arrow({at(a, radius), at(a + 5.0 * kShadowPi / 6.0, radius),
                         at(a + kShadowPi, 2.0 * radius / 3.0),
                         at(a - 5.0 * kShadowPi / 6.0, radius)});
  painter.setBrush(QBrush(palette().color(QPalette::Dark), Qt::SolidPattern));
  painter.drawPolygon(arrow, Qt::OddEvenFill);

  painter.setPen(QPen(palette().color(QPalette::Dark)));
  painter.setBrush(Qt::NoBrush);
  const double arcRadius = frame.width() / 2.0;
  const QRectF circle(centre.x() - arcRadius, centre.y() - arcRadius, 2 * arcRadius, 2 * arcRadius);
  painter.drawArc(circle, int(152.5 * 16), 55 * 16);
  painter.drawArc(circle, int(332.5 * 16), 55 * 16);
  const double slope = 27.5 * kShadowPi / 180.0;
  const double ex = std::cos(slope) * arcRadius, ey = std::sin(slope) * arcRadius;
  drawArrowhead(painter, QPointF(centre.x() - ex, centre.y() - ey), 204.75);
  drawArrowhead(painter, QPointF(centre.x() + ex, centre.y() - ey), 155.25);
  drawArrowhead(painter, QPointF(centre.x() + ex, centre.y() + ey), 24.75);
  drawArrowhead(painter, QPointF(centre.x() - ex, centre.y() + ey), -24.75);

  if (hasFocus()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(-2, -2, 4, 4);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}
