#pragma once

#include <QColor>
#include <QVariantMap>

class ForcedEdge;
class GmRegion;
class Shape;

// What the arrow tool can pick on the cut-out image: a patch or a forced edge. The document
// owns every target; a target asks the document to make it active and to send it to the
// engine. GUI thread.
class ArrowTarget {
 public:
  virtual ~ArrowTarget() = default;

  virtual Shape& shape() = 0;
  virtual const Shape& shape() const = 0;
  virtual GmRegion* toRegion() { return nullptr; }
  virtual ForcedEdge* toForcedEdge() { return nullptr; }
  virtual bool isBrushRegion() const { return false; }
  virtual bool isForcedEdge() const { return false; }
  // Makes this the document's active patch or forced edge.
  virtual void activate() = 0;
  // Clears the document's active patch or forced edge when it is this one.
  virtual void deactivate() = 0;
  // After the user changed the shape.
  virtual void shapeEdited() {}
  // The "Active Patch or Forced Edge" colour when active, else "Patch or Forced Edge".
  QColor outlineColour() const;
  virtual bool isActive() const = 0;
  // Queues the commands that put this target into the engine session.
  virtual void submitToEngine() = 0;
  // The stored form, with its "type".
  virtual QVariantMap toVariant() const = 0;
  // Takes this target out of the engine session. With `deleteAfterwards` the target is
  // deleted once the engine has let go of it (at once when nothing is sent); it must be out of
  // the document's lists already.
  virtual void removeFromEngine(bool deleteAfterwards = false) = 0;
};
