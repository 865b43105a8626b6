#pragma once

#include <cstdint>

#include <QImage>
#include <QObject>
#include <QRect>
#include <QVariantMap>

#include "Corvane.h"
#include "document/ArrowTarget.h"
#include "document/BlendingStuff.h"

class SegmentationStuff;

// A patch: an area of the image with its own edge-detection settings, blending settings and
// protection; in the engine a sub-session of the image session. Three kinds differ in their
// shape (RectRegion, PolyRegion, BrushRegion). GUI thread.
class GmRegion : public QObject, public ArrowTarget {
  Q_OBJECT

 public:
  ~GmRegion() override;

  virtual bool isConcretePatch() const { return false; }
  // The patch's preview of the cut-out: none of the kinds makes one.
  virtual void requestPreview() {}
  virtual QObject* auxiliaryObject() const { return nullptr; }

  GmRegion* toRegion() override { return this; }
  void activate() override;
  void deactivate() override;
  bool isActive() const override;
  // Re-sends the patch: any analysis in flight is cancelled, the patch leaves the engine, is
  // made active and is submitted again.
  void shapeEdited() override;
  // A sub-session for the patch; an analysis when it uses its own settings; its protection.
  void submitToEngine() override;
  // Drops the patch's edges, takes its protection out of the engine (the other patches keep
  // theirs) and ends its sub-sessions; nothing is sent while the command thread is closed.
  void removeFromEngine(bool deleteAfterwards = false) override;

  SegmentationStuff* segmentation() const { return segmentation_; }
  BlendingStuff* blending() { return &blending_; }
  const BlendingStuff* blending() const { return &blending_; }
  bool isProtected() const { return protected_; }
  // Stores the flag, protects the patch in the engine or re-sends the protection of the
  // others, and reports protectionChanged.
  void setProtected(bool isProtected);
  int editCount() const { return editCount_; }

  // The engine's outline of the patch (working coordinates) becomes the shape's, and the
  // document repaints it.
  void adoptOutline(const CvRegion* regions, uint32_t count);
  // The snapshot's rectangle and mask (rendered with no pen and a solid brush when there is
  // none yet); empty and null when the shape renders nothing.
  QRect snapshotRect();
  QImage snapshotMask();

 protected:
  GmRegion();
  // From the patch base map ("smeg_", "blendage_", "isProtected_").
  explicit GmRegion(const QVariantMap& base);
  // The patch base map.
  QVariantMap baseVariant() const;

 private:
  SegmentationStuff* segmentation_;
  BlendingStuff blending_;
  bool protected_ = false;
  int editCount_ = 0;
};
