#pragma once

#include "workspace/GmTool.h"

namespace ts {
class Rectangle;
}

// The base of tools that drag a rubber-band rectangle in image coordinates: a left press keeps
// the point, the first move of the drag starts the rectangle there, later moves drag its free
// corner, and the release finishes it.
class RectangleTool : public GmTool {
  Q_OBJECT

 public:
  using GmTool::GmTool;

  QCursor cursor() const override;
  void mousePressEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseMoveEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseReleaseEvent(QMouseEvent* event, const QPointF& point) override;

  virtual void rectangleStarted(const QPointF& pressPoint) = 0;
  virtual void rectangleFinished(const QPointF& point) = 0;
  // The rectangle being dragged (owned elsewhere), or null.
  virtual ts::Rectangle* currentRectangle() = 0;

 protected:
  QPointF pressPoint_;
};
