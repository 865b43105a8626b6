#include "document/ArrowTargets.h"

#include "document/BrushRegion.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdSelect.h"
#include "document/DocumentKeys.h"
#include "document/ForcedEdge.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/PolyRegion.h"
#include "document/RectRegion.h"

ArrowTarget* readArrowTarget(const QVariantMap& map) {
  switch (map.value(documentKeys::type).toInt()) {
    case 0:
      return new RectRegion(map);
    case 1:
      return new PolyRegion(map);
    case 2:
      return new BrushRegion(map);
    case 3:
      return new ForcedEdge(map);
    default:
      return nullptr;
  }
}

void reapplyForcedEdges() {
  GmModel* model = GmModel::instance();
  CorvaneThread::submitToInstance(new CvCmdSelect(model, nullptr, CvStatusForcedEdge, 1));
  for (ForcedEdge* edge : model->forcedEdges())
    CorvaneThread::submitToInstance(new CvCmdSelect(model, edge));
}

ShapeHit arrowTargetAt(const ImagePointF& point) {
  GmModel* model = GmModel::instance();
  ArrowTarget* active = model->activeRegion();
  if (!active) active = model->activeForcedEdge();
  ShapeHit activeHit;
  if (active) {
    activeHit = active->shape().hitTest(point);
    activeHit.target = active;
    if (activeHit.kind == ShapeHit::Handle || activeHit.kind == ShapeHit::Edge) return activeHit;
  }
  ShapeHit remembered;
  bool haveRemembered = false;
  for (ArrowTarget* target : model->arrowTargets()) {
    if (target == active) continue;
    ShapeHit hit = target->shape().hitTest(point);
    hit.target = target;
    if (hit.kind == ShapeHit::Handle || hit.kind == ShapeHit::Edge) return hit;
    if (hit.kind != ShapeHit::Miss) {
      remembered = hit;
      haveRemembered = true;
    }
  }
  if (!haveRemembered || (active && activeHit.kind == ShapeHit::Interior)) {
    if (activeHit.kind == ShapeHit::Miss) activeHit.target = nullptr;
    return activeHit;
  }
  return remembered;
}

void activateArrowTargetAt(const ImagePointF& point) {
  const ShapeHit hit = arrowTargetAt(point);
  if (hit.kind == ShapeHit::Miss || !hit.target) {
    GmModel* model = GmModel::instance();
    model->setActiveRegion(nullptr, 1);
    model->setActiveForcedEdge(nullptr);
    return;
  }
  hit.target->activate();
}

void setActiveForcedEdgeWidth(int width) {
  if (ForcedEdge* edge = GmModel::instance()->activeForcedEdge()) edge->setWidth(width);
}

void saveTargetSnapshot(GmModel* model, ArrowTarget* target) {
  if (!model || !target) return;
  PixelState& snapshot = target->shape().snapshot();
  snapshot.saveMask(model->statusArray()->statusImage());
  if (GmRegion* region = target->toRegion())
    snapshot.setOptionsKey(region->blending()->options().toVariant());
  for (ArrowTarget* other : model->arrowTargets())
    if (other != target) other->shape().snapshot().takeOverlap(snapshot);
}
