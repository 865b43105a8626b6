#pragma once

#include <QPointF>
#include <QtGlobal>

class QObject;

// What the workspace's zoom options need of the composition view, which lives above the
// workspace: zooming by a proportion of the view's logarithmic zoom range (0 the smallest
// zoom, 1 the largest) about a scene point, one canvas pixel per screen pixel, fitting the
// canvas, and the object that reports every zoom as such a proportion. GUI thread only.
class CompositionZoomView {
 public:
  virtual ~CompositionZoomView() = default;

  // About `centre` (scene units); the null point keeps the view where it is.
  virtual void setZoomProportion(qreal proportion, const QPointF& centre) = 0;
  virtual void zoomTo100Percent() = 0;
  virtual void fitImageOnScreen() = 0;
  // The centre of the visible part of the scene; (0, 0) when the scene has no view.
  virtual QPointF visibleSceneCentre() const = 0;
  // Borrowed: emits zoomProportion(qreal) after every zoom of the view.
  virtual QObject* zoomObject() = 0;
};
