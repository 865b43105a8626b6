#pragma once

#include <cstdint>
#include <memory>

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVariant>

#include "Corvane.h"
#include "document/DirtyHint.h"
#include "document/GmSession.h"
#include "document/ImagePointF.h"
#include "document/ImageRectF.h"

class ArrowTarget;
class AutoCut;
class BlendingStuff;
class ForcedEdge;
class GmBrushing;
class GmRegion;
class GmStatusArray;
class GmTool;
class QAction;
class QCursor;
class RegionalProperties;
class SegmentationStuff;
struct ParsedDocument;
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
  // Finishes the document, then deletes it; the next instance() makes a new one.
  static void destroyInstance();

  // ---- Images
  // Borrowed views of the owned images: the image being cut out and the one the cut-out is
  // generated into. Null while no image is loaded. In the shell's plug-in launch modes the
  // shell owns them and the document only borrows them.
  TsSourceImage* segImage() const { return segImage_; }
  TsSourceImage* blendImage() const { return blendImage_; }
  // Installs a photo and opens its engine session: `seg` is cut out, `blend` (a copy of `seg`
  // when null) receives the cut-out; the document takes ownership of both. A new image
  // (`preservation` TakeDefaults, unless the shell keeps settings) gets its resolution chosen
  // from its size; the brush size becomes the working image's smaller side / 10 and the
  // despeckle strength that side / 50. `sourceKind`: 1 a new image, 2 a restored document.
  // False, owning nothing, for an invalid image or while an image is installed: the caller
  // keeps and deletes them.
  bool setSourceImage(TsSourceImage* seg, TsSourceImage* blend = nullptr,
                      GmSession::SettingsPreservation preservation = GmSession::TakeDefaults,
                      int sourceKind = 1);
  // 0 without an image (and after finish), else as installed.
  int sourceKind() const { return sourceKind_; }
  // Closes the document: deletes every patch and forced edge, ends the session, finishes the
  // engine and lets go of the images (deleted once the engine is done with them, or left to
  // the shell in its plug-in launch modes); tellImageChanged(null). True, also without an image.
  bool finish();
  // True when nothing was changed since the image was installed or restored: no patch, no
  // forced edge, and no undo step (a restored document: at most the one that put its statuses
  // back) and no redo step.
  bool isUnmodified() const;
  // Copies the photo's pixels back over the cut-out image; every patch's snapshot counts as not
  // saved.
  void restoreOriginalImage();
  // Size of the segmentation image's display form, in image pixels; empty without an image.
  QSize imageSize() const;
  // The display image's rectangle in image coordinates, and the working image's in working
  // coordinates: each side the display side divided by the resolution, rounded up. Both empty
  // without an image.
  QRect imageRect() const;
  QRect workingRect() const;
  // The working image of the segmentation image at the document's resolution, built when
  // needed, as the engine takes it; all zero without an image.
  CvImage workingPicture();

  // ---- Resolution: the working image is the display image reduced by this factor: 1, 2, 4
  // or 8.
  int resolution() const { return resolution_; }
  // Without an image: stores it. With one, a new value reopens the session at it, after asking
  // when statuses 4 or 8 are painted (declined: nothing changes); brushed patches are lost and
  // the brush size follows the scale. Any other value than 1, 2, 4, 8 is refused. Reports
  // resolutionChanged(old, current) in every case.
  void setResolution(int resolution);
  // The smallest of 1, 2, 4, 8 that brings `pixelCount` / r to 4,000,000 or below (8 at most),
  // stored and reported.
  void chooseResolution(qint64 pixelCount);
  // Whether `resolution` is one the document works at: 1, 2, 4 or 8.
  static bool isValidResolution(int resolution);
  // The working size of a display image of `displaySize` at `resolution`: each side divided,
  // rounded up.
  static QSize workingSizeOf(const QSize& displaySize, int resolution);
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

  // ---- Engine session
  // The barrier: closes the command thread and, once it has drained, reopens it with a new
  // status image and session for the installed image, sends every patch and forced edge again
  // and reports tellImageChanged. The window is busy while it waits. `preservation` goes to the
  // session's defaults (see takeSessionDefaults).
  void openSession(GmSession::SettingsPreservation preservation = GmSession::TakeDefaults);
  // Takes the session down: the automatic cut-out stops, queued commands are cancelled, every
  // target leaves the engine (brushed patches are deleted), and the session and status image
  // are released. `first` and `second` (owned from here; may be null) are deleted once the
  // session has ended.
  void closeSession(QObject* first, QObject* second);
  // The automatic cut-out driver (owned; never null).
  AutoCut* autoCut() const { return autoCut_; }

  // ---- Project state
  // The whole document as a map of the keyed state ("segImg_", "blendImg_", "statusArray_",
  // "imageSmeg_", "imageBlendage_", "resolution_", "arrowTargetList").
  QVariant toVariant() const;
  // Reads a stored document map into new objects without touching the document, the engine or
  // the settings store: null, with a log line and `refusal` set, for a map that cannot be a
  // document (resolution other than 1, 2, 4, 8; images missing, invalid or of two sizes; a
  // buffer image the host does not supply again; a status image of another size or format).
  static std::unique_ptr<ParsedDocument> parseDocumentMap(const QVariant& state,
                                                          QString* refusal = nullptr);
  // Replaces the document with a parsed one (an open one is finished first) and opens its
  // session; the stored settings and statuses are kept. False only when the images are
  // refused, which a parsed document's are not.
  bool restore(std::unique_ptr<ParsedDocument> document);
  // parseDocumentMap, then restore. A refused map leaves the document as it was.
  bool fromVariant(const QVariant& state);

  // ---- Image-wide settings (owned; never null)
  SegmentationStuff* segmentation() const { return segmentation_; }
  BlendingStuff* blending() const { return blending_; }

  // The document side of the patch properties panel (owned; never null).
  RegionalProperties* regionalProperties() const { return regionalProperties_; }

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
  // The same after statuses changed inside `working` (working pixels) alone: the views repaint
  // that area, widened by a working pixel for the neighbours a scaled drawing reads; nothing
  // for an empty area.
  void signalDirtyWorkingRect(const QRect& working);
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

  // Step 4 of the barrier: a new status image and session, and every target sent again.
  void beginSessionOnImage();
  // Ends a session and status image still held (one that opened while a barrier waited).
  void releaseSessionHandles(QObject* first, QObject* second);
  // Whether the command thread holds a CvCmdInit that has not finished.
  bool engineCreationPending() const;

 private slots:
  void closureCompleteSlot();

 private:
  // ---- Images
  TsSourceImage* segImage_ = nullptr;
  TsSourceImage* blendImage_ = nullptr;
  int sourceKind_ = 0;

  // ---- Resolution and session
  int resolution_ = 1;
  // While the barrier waits for the command thread to drain.
  bool barrierPending_ = false;
  GmSession::SettingsPreservation pendingPreservation_ = GmSession::TakeDefaults;
  AutoCut* autoCut_ = nullptr;
  RegionalProperties* regionalProperties_ = nullptr;

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
