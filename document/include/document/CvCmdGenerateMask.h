#pragma once

#include <optional>
#include <vector>

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>

#include "document/CorvaneCommand.h"

class GmRegion;

// "Generate mask": writes the cut-out of the session's statuses into the blend image, over the
// whole image, a rectangle of it, or one patch (its preview), with every forced edge and every
// patch's blending. The patches whose statuses did not change since their last cut-out are
// held (bit 64) while it runs; the marks are gone when it has finished, whatever the result.
class CvCmdGenerateMask : public CorvaneCommand {
  Q_OBJECT

 public:
  // Patch form: the patch alone, over its snapshot's rectangle.
  CvCmdGenerateMask(GmModel* model, GmRegion* patch);
  // Rectangle form: `rect` in working pixels, each value rounded to the nearest integer
  // (halves up); the whole image without one. The blending values are taken now.
  explicit CvCmdGenerateMask(GmModel* model, std::optional<QRectF> rect = std::nullopt);

  // Declines without an analysis, without class 2 or 4, without a session or images, or
  // when the patch is gone.
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool refreshesUndoCounts() const override { return true; }

  // The thread's command count when the last whole-image cut-out succeeded: equal to
  // CorvaneThread::commandCount() when the cut-out is up to date; 1 while one runs or after
  // one failed; 0 before the first. Any thread.
  static int maskCommandCount();

 private slots:
  void refreshOutputTab();

 private:
  void takeBlending(GmModel* model);
  void clearHoldMarks();

  QPointer<GmRegion> patch_;
  bool patchForm_ = false;
  bool wholeImage_ = false;
  bool hasRect_ = false;
  CvRect rect_{};
  float blendWidth_ = 0;
  float blendRatio_ = 0;

  // Captured by prepare for execute.
  CvSession* session_ = nullptr;
  CvImage* statusImage_ = nullptr;
  CvImage output_{};
  CvImage source_{};
  std::vector<std::vector<CvEdgePoint>> edgePoints_;
  std::vector<ForcedEdgeRequest> edges_;
  QList<QImage> patchMasks_;
  std::vector<MaskPatchRequest> patches_;
  // The masks under which bit 64 was set, to clear it again in finish.
  QList<QImage> heldMasks_;
  bool executed_ = false;
};
