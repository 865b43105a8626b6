#pragma once

#include <QPointF>

class QObject;

// What the zoom options need of the composition view, which implements it (the workspace may
// not include the composition). Proportions run from 0 (the view's smallest zoom) to 1 (its
// largest). GUI thread.
class CompositionZoomView {
 public:
  virtual ~CompositionZoomView() = default;

  // Zooms to `proportion` about `centre` (scene coordinates).
  virtual void setZoomProportion(qreal proportion, const QPointF& centre) = 0;
  virtual void zoomTo100Percent() = 0;
  virtual void fitImageOnScreen() = 0;
  // The centre of the viewport's area in scene coordinates; (0, 0) when the scene has no view.
  virtual QPointF visibleSceneCentre() const = 0;
  // The object that emits zoomProportion(qreal) with the view's proportion; its life bounds
  // every connection made to the view.
  virtual QObject* zoomObject() = 0;
};
