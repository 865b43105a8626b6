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

#include "document/DirtyHint.h"
#include "document/ImagePointF.h"
#include "document/ImageRectF.h"

class BlendingStuff;
class GmBrushing;
class GmRegion;
class GmTool;
class QCursor;
class SegmentationStuff;
class TsSourceImage;

// The cut-out document and the signal hub of the cut-out side: one per process, made on first
// use. Views, tools and panels learn of every change through its signals. GUI thread only.
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
  // Size of the segmentation image's display form, in image pixels; empty without an image.
  // Installing an image records it here.
  QSize imageSize() const { return imageSize_; }
  void setImageSize(const QSize& displaySize);
  // The display image's rectangle in image coordinates, and the working image's in working
  // coordinates: each side the display side divided by the resolution, rounded up. Both empty
  // without an image.
  QRect imageRect() const;
  QRect workingRect() const;

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

  // ---- Image-wide settings (owned; never null)
  SegmentationStuff* segmentation() const { return segmentation_; }
  BlendingStuff* blending() const { return blending_; }

  // ---- Strokes in progress, which the canvas paints (borrowed; each stroke registers itself)
  const QList<GmBrushing*>& liveStrokes() const { return liveStrokes_; }
  void addLiveStroke(GmBrushing* stroke);
  void removeLiveStroke(GmBrushing* stroke);

 signals:
  void tellImageChanged(const TsSourceImage* image);
  void statusImageChanged(const QImage* statusImage);
  void rectDirty(ImageRectF rect, DirtyHint hint, PatchPreviewWanted wanted = PatchPreviewWanted::No);
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

  // ---- Images
  TsSourceImage* segImage_ = nullptr;
  TsSourceImage* blendImage_ = nullptr;
  QSize imageSize_;

  // ---- Resolution
  int resolution_ = 1;

  // ---- Settings
  BlendingStuff* blending_ = nullptr;
  SegmentationStuff* segmentation_ = nullptr;

  // ---- Strokes in progress
  QList<GmBrushing*> liveStrokes_;
};
