#include "workspace/RectangleTool.h"

#include <QMouseEvent>

#include "document/Rectangle.h"

QCursor RectangleTool::cursor() const {
  return QCursor(Qt::CrossCursor);
}

void RectangleTool::mousePressEvent(QMouseEvent* event, const QPointF& point) {
  if (event->button() == Qt::LeftButton) pressPoint_ = point;
}

void RectangleTool::mouseMoveEvent(QMouseEvent* event, const QPointF& point) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  if (previousLeftButtonState() == 1) {
    rectangleStarted(pressPoint_);
  } else if (ts::Rectangle* rectangle = currentRectangle()) {
    rectangle->dragCornerTo(point);
  }
}

void RectangleTool::mouseReleaseEvent(QMouseEvent* event, const QPointF& point) {
  if (event->button() == Qt::LeftButton && previousLeftButtonState() != 0) rectangleFinished(point);
}
