#pragma once

#include <QVariantMap>

#include "document/ImagePointF.h"
#include "document/ShapeHit.h"

class ArrowTarget;
class GmModel;

// What the document does with its arrow targets as a whole. GUI thread.

// A new target from a stored "arrowTargetList" entry by its "type" (0 rectangle patch,
// 1 polygon patch, 2 brushed patch, 3 forced edge; a missing type reads as 0); null for any
// other type. Touches neither the document nor the engine.
ArrowTarget* readArrowTarget(const QVariantMap& map);

// After a forced edge was deleted: clears status 16 in the whole image and sends every
// remaining forced edge again, in list order.
void reapplyForcedEdges();

// The target under `point`: a handle or an edge of the active target first, then the first
// handle or edge hit in list order, then an interior of the active target, then the last
// interior hit. A miss carries no target.
ShapeHit arrowTargetAt(const ImagePointF& point);

// The arrow tool's click: activates the target under `point`, or clears both active targets.
void activateArrowTargetAt(const ImagePointF& point);
// The arrow tool's width control: the active forced edge's width (image pixels), nothing sent.
void setActiveForcedEdgeWidth(int width);

// After a cut-out of `target`: its snapshot takes the statuses under it and its blending
// options as the key, and every other target's snapshot takes the overlap from it.
void saveTargetSnapshot(GmModel* model, ArrowTarget* target);
