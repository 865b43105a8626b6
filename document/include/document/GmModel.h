#pragma once

#include <cstdint>

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include "Corvane.h"
#include "document/DirtyHint.h"
#include "document/GmSession.h"
#include "document/ImagePointF.h"
#include "document/ImageRectF.h"

class ArrowTarget;
class BlendingStuff;
class ForcedEdge;
class GmBrushing;
class GmRegion;
class GmStatusArray;
class GmTool;
class QAction;
class QCursor;
class SegmentationStuff;
class TsSourceImage;
class TuningVariableTable;

namespace ts {
class Rectangle;
}

// The cut-out document and the signal hub of the cut-out side: one per process, made on first
// use. It owns the images, the engine handle, the patches and forced edges with the active one
// of each, the status array, the image-wide settings and the rubber bands; views, tools and
// panels learn of every change through its signals. GUI thread only.
class GmModel : public QObject {
  Q_OBJECT

 public:
  // The document, made on first use; never null.
  static GmModel* instance();
  // The document when one exists, else null; never makes one (for destructors that run late).
  static GmModel* existingInstance();
  // Deletes the document; the next instance() makes a new one.
  static void destroyInstance();

  // ---- Images
  // Borrowed views of the owned images: the image being cut out and the one the cut-out is
  // generated into. Null while no image is loaded.
  TsSourceImage* segImage() const { return segImage_; }
  TsSourceImage* blendImage() const { return blendImage_; }
  // Takes ownership of both images (a null `blend` becomes a copy of `seg`) without opening a
  // session, replacing and deleting any held before. For tests of the engine commands, which
  // open the session themselves; a document opens its images with its session.
  void setImagesForTesting(TsSourceImage* seg, TsSourceImage* blend = nullptr);
  // Size of the segmentation image's display form, in image pixels; empty without an image.
  // Installing an image records it here.
  QSize imageSize() const { return imageSize_; }
  void setImageSize(const QSize& displaySize);
  // The display image's rectangle in image coordinates, and the working image's in working
  // coordinates: each side the display side divided by the resolution, rounded up. Both empty
  // without an image.
  QRect imageRect() const;
  QRect workingRect() const;
  // The working image of the segmentation image at the document's resolution, built when
  // needed, as the engine takes it; all zero without an image.
  CvImage workingPicture();

  // ---- Resolution: the working image is the display image reduced by this factor (>= 1).
  int resolution() const { return resolution_; }
  // Without an image: stores it (a value below 1 is refused) and reports resolutionChanged(old,
  // current) in every case.
  void setResolution(int resolution);
  // Image point to working point (divided by the resolution) and back (multiplied); rectangles
  // convert their corners and take the size from them.
  QPointF toWorking(const QPointF& imagePoint) const;
  ImagePointF toImage(const QPointF& workingPoint) const;
  QRectF toWorking(const QRectF& imageRect) const;
  ImageRectF toImage(const QRectF& workingRect) const;

  // ---- Engine
  // Borrowed from the engine library: set by CvCmdInit, cleared by CvCmdFinish.
  CvEngine* engine() const { return engine_; }
  void setEngine(CvEngine* engine) { engine_ = engine; }
  // The status array's engine image (null: none) and statusImageChanged.
  void setStatusImageHandle(CvImage* handle);
  // After the engine was finished: every session and status image handle it held is dropped.
  void forgetEngineHandles();
  GmStatusArray* statusArray() const { return statusArray_; }
  // The engine's tuning variables as last read (owned; never null).
  TuningVariableTable* tuningVariables() const { return tuningVariables_; }
  // The session's undo and redo counts as last read; setting them reports cvUndoStackChanged.
  uint32_t numUndos() const { return numUndos_; }
  uint32_t numRedos() const { return numRedos_; }
  void setUndoCounts(uint32_t numUndos, uint32_t numRedos);
  // The defaults of a new session become the image's edge-detection defaults, and its current
  // values too for a new image unless the shell keeps settings; then sessionHasBegun.
  void takeSessionDefaults(const GmSession::AnalysisDefaults& defaults,
                           GmSession::SettingsPreservation preservation);

  // ---- Image-wide settings (owned; never null)
  SegmentationStuff* segmentation() const { return segmentation_; }
  BlendingStuff* blending() const { return blending_; }

  // ---- Patches and forced edges (owned)
  // Patches in drawing order (the active one last), then forced edges.
  const QList<GmRegion*>& patches() const { return patches_; }
  const QList<ForcedEdge*>& forcedEdges() const { return forcedEdges_; }
  QList<ArrowTarget*> arrowTargets() const;
  bool containsTarget(ArrowTarget* target) const;
  // Takes ownership; the caller submits the target to the engine afterwards.
  void addPatch(GmRegion* patch);
  void addForcedEdge(ForcedEdge* edge);
  GmRegion* activeRegion() const { return activeRegion_; }
  ForcedEdge* activeForcedEdge() const { return activeForcedEdge_; }
  // Makes `region` the active patch (null: none), moving it to the end of the list; making it
  // active again re-reports it. With `ready` 1 and no region, activeRegionReady(null) follows.
  void setActiveRegion(GmRegion* region, int ready = 0);
  void setActiveForcedEdge(ForcedEdge* edge);
  // Takes every target out of the engine; brushed patches are deleted with it.
  void withdrawArrowTargets();
  void deleteAllArrowTargets();
  // Removes the patch, cancels its analysis in flight and deletes it once the engine has let go
  // of it; nothing for a patch not in the list.
  void deleteRegion(GmRegion* region);
  void deleteForcedEdge(ForcedEdge* edge);
  // Clears the protected status everywhere and protects every protected patch again.
  void reapplyProtection();

  // ---- Patch actions, parented to the document; the Delete key sits on the one of the kind
  // of target last made active. Made when first asked for (a document without windows never
  // needs them), in the state the targets give them.
  QAction* deletePatchAction();
  QAction* deleteForcedEdgeAction();
  QAction* eraseMaskInPatchAction();
  QAction* protectPatchAction();
  QAction* previewPatchAction();

  // ---- Rubber bands of the rectangle and zoom tools (owned; null when none)
  ts::Rectangle* toolRectangle() const { return toolRectangle_; }
  ts::Rectangle* zoomRectangle() const { return zoomRectangle_; }
  void setToolRectangle(const QPointF& point);
  void clearToolRectangle();
  void setZoomRectangle(const QPointF& point);
  void clearZoomRectangle();
  // One repaint of both when they meet, one each when apart, only the valid one otherwise.
  void signalRectsDirty(const QRectF& oldRect, const QRectF& newRect);

  // ---- Strokes in progress, which the canvas paints (borrowed; each stroke registers itself)
  const QList<GmBrushing*>& liveStrokes() const { return liveStrokes_; }
  void addLiveStroke(GmBrushing* stroke);
  void removeLiveStroke(GmBrushing* stroke);

 public slots:
  void deleteActiveRegionSlot();
  // Deletes the active forced edge and sends the remaining ones again.
  void deleteActiveForcedEdgeSlot();
  void clearMaskInActiveRegionSlot();
  void protectActiveRegionSlot();
  void signalDirtyImageSlot(PatchPreviewWanted wanted = PatchPreviewWanted::No);
  void signalDirtyOutputImageSlot();
  void autoFillImageSlot();
  void autoFillImageWithKeepSlot();
  void autoFillWithKeepSlot();
  void autoFillImageWithDeleteSlot();
  void autoFillWithDeleteSlot();
  void testRenderActiveRegionSlot();
  void generateMaskSlot();
  void dirtyRectSlot(ImageRectF r);

 signals:
  void tellImageChanged(const TsSourceImage* image);
  void statusImageChanged(const QImage* statusImage);
  void rectDirty(ImageRectF rect, DirtyHint hint,
                 PatchPreviewWanted wanted = PatchPreviewWanted::No);
  void toolChanged(const GmTool* tool);
  void cursorChanged(const QCursor* cursor);
  void activeRegionChanged(GmRegion* region);
  void activeRegionReady(GmRegion* region);
  void resolutionChanged(int oldRes, int newRes);
  void smegChanged();
  void cvVariableChanged(QString name);
  void cvUndoStackChanged(uint32_t numUndos, uint32_t numRedos);
  void ownSmegStatusChanged(GmRegion* region);
  void sessionHasBegun();
  void imageBlendRatioChanged(float ratio);
  void protectionChanged(GmRegion* region);
  void imageAnalysisHasBegun();
  void brushSizeSliderMoved();
  void patchPreviewAvailable(const GmRegion* r);
  void cutoutChanged(QImage cutout);
  void hintOpacityChanged();
  void showOriginal();
  void changeBackgroundColour();

 private:
  GmModel();
  ~GmModel() override;

  void ensureActions();
  void updatePatchActions();
  void moveDeleteShortcut(bool toForcedEdge);
  void submitAutoFill(bool activePatch, int fillCode);
  static QRectF boundsOf(ArrowTarget* target);

  // ---- Images
  TsSourceImage* segImage_ = nullptr;
  TsSourceImage* blendImage_ = nullptr;
  QSize imageSize_;

  // ---- Resolution
  int resolution_ = 1;

  // ---- Patches and forced edges
  QList<GmRegion*> patches_;
  QList<ForcedEdge*> forcedEdges_;
  GmRegion* activeRegion_ = nullptr;
  ForcedEdge* activeForcedEdge_ = nullptr;
  ts::Rectangle* toolRectangle_ = nullptr;
  ts::Rectangle* zoomRectangle_ = nullptr;
  QAction* deletePatchAction_ = nullptr;
  QAction* deleteForcedEdgeAction_ = nullptr;
  QAction* eraseMaskAction_ = nullptr;
  QAction* protectPatchAction_ = nullptr;
  QAction* previewPatchAction_ = nullptr;
  bool deleteKeyOnForcedEdge_ = false;

  // ---- Engine
  GmStatusArray* statusArray_ = nullptr;
  TuningVariableTable* tuningVariables_ = nullptr;
  CvEngine* engine_ = nullptr;
  uint32_t numUndos_ = 0;
  uint32_t numRedos_ = 0;

  // ---- Settings
  BlendingStuff* blending_ = nullptr;
  SegmentationStuff* segmentation_ = nullptr;

  // ---- Strokes in progress
  QList<GmBrushing*> liveStrokes_;
};
