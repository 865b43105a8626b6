#include "workspace/ToolPaletteButton.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionToolButton>

ToolPaletteButton::ToolPaletteButton(QWidget* parent) : QToolButton(parent) {}

void ToolPaletteButton::setSecondAction(QAction* action) {
  if (second_) QWidget::removeAction(second_);
  second_ = action;
  if (action) addAction(action);
}

void ToolPaletteButton::nextCheckState() {
  if (second_ && lastClick_.isValid() &&
      lastClick_.elapsed() < QApplication::doubleClickInterval()) {
    lastClick_.invalidate();
    second_->trigger();
    return;
  }
  QToolButton::nextCheckState();
  if (second_) lastClick_.start();
}

void ToolPaletteButton::paintEvent(QPaintEvent* event) {
  QToolButton::paintEvent(event);
  if (actions().size() <= 1) return;
  QStyleOptionToolButton option;
  initStyleOption(&option);
  QPoint corner = rect().bottomRight() - QPoint(3, 3);
  if (isDown())
    corner += QPoint(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                     style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  auto drawTriangle = [&](QPainter& painter, const QPoint& at) {
    painter.drawLine(at + QPoint(-4, -2), at + QPoint(2, -2));
    painter.drawLine(at + QPoint(-3, -1), at + QPoint(1, -1));
    painter.drawLine(at + QPoint(-2, 0), at + QPoint(0, 0));
    painter.drawPoint(at + QPoint(-1, 1));
  };
  QPainter painter(this);
  if (isEnabled()) {
    painter.setPen(palette().color(QPalette::ButtonText));
    drawTriangle(painter, corner);
  } else {
    painter.setPen(palette().color(QPalette::Light));
    drawTriangle(painter, corner + QPoint(1, 1));
    painter.setPen(palette().color(QPalette::Mid));
    drawTriangle(painter, corner);
  }
}
