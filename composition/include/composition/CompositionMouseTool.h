#pragma once

#include <QPointF>

class QMouseEvent;

// A composition tool that takes the composition view's mouse itself (pan, zoom, the highlight
// brush) instead of leaving it to the scene's items. The view hands each event of the viewport
// with its point in scene units to the current tool when the tool is one of these; an event
// the tool answers false to goes on to the scene. GUI thread only.
class CompositionMouseTool {
 public:
  virtual ~CompositionMouseTool() = default;

  virtual bool compositionPress(QMouseEvent* event, const QPointF& scenePoint) = 0;
  virtual bool compositionDoubleClick(QMouseEvent* event, const QPointF& scenePoint) = 0;
  virtual bool compositionMove(QMouseEvent* event, const QPointF& scenePoint) = 0;
  virtual bool compositionRelease(QMouseEvent* event, const QPointF& scenePoint) = 0;
};
