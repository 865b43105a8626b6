#include "document/CvCmdGenerateMask.h"

#include <atomic>
#include <cmath>

#include "document/BlendingStuff.h"
#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/ArrowTargets.h"
#include "document/ForcedEdge.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"

namespace {

std::atomic<int> theMaskCommandCount{0};

int roundHalfUp(qreal value) {
  return int(std::floor(value + 0.5));
}

CvOverrideColour overrideColour(const GmColor* colour) {
  const QColor c = colour ? colour->color() : QColor(Qt::black);
  CvOverrideColour bytes{};
  bytes.red = uint8_t(c.red());
  bytes.green = uint8_t(c.green());
  bytes.blue = uint8_t(c.blue());
  return bytes;
}

// The engine's record of a patch: its snapshot mask and the way its edges are blended.
MaskPatchRequest patchRecord(const QImage& mask, const BlendingOptions& options, bool active) {
  MaskPatchRequest record{};
  const CvSelection area = describePositionedImage(mask);
  record.x = area.x;
  record.y = area.y;
  record.width = int32_t(area.image.width);
  record.height = int32_t(area.image.height);
  record.stride = int32_t(area.image.stride);
  record.kind = int32_t(area.image.kind);
  record.data = area.image.data;
  record.isActive = active ? 1 : 0;
  record.fgOverrideCount = options.fgChecked_ ? 1 : 0;
  record.bgOverrideCount = options.bgChecked_ ? 1 : 0;
  record.fgOverride = overrideColour(options.fgOverride_.get());
  record.bgOverride = overrideColour(options.bgOverride_.get());
  if (options.isMembrane_) {
    record.mode = CvPatchMembrane;
    record.param1 = options.membrane1F_;
    record.param2 = options.isUniformBg_ ? 1.0f : 0.0f;
  } else if (options.isChoices_) {
    record.mode = CvPatchChoices;
    record.param1 = options.choices1F_;
    record.param2 = options.choices2F_;
  } else {
    record.mode = CvPatchPlain;
    record.blendRatio = options.blendRatioF_;
  }
  return record;
}

}  // namespace

int CvCmdGenerateMask::maskCommandCount() {
  return theMaskCommandCount.load();
}

CvCmdGenerateMask::CvCmdGenerateMask(GmModel* model, GmRegion* patch)
    : CorvaneCommand(model, tr("Creating Cut-out...")), patch_(patch), patchForm_(true) {
  takeBlending(model);
}

CvCmdGenerateMask::CvCmdGenerateMask(GmModel* model, std::optional<QRectF> rect)
    : CorvaneCommand(model, tr("Creating Cut-out...")), wholeImage_(!rect) {
  if (rect) {
    hasRect_ = true;
    rect_ = CvRect{roundHalfUp(rect->x()), roundHalfUp(rect->y()), roundHalfUp(rect->width()),
                   roundHalfUp(rect->height())};
  }
  takeBlending(model);
}

void CvCmdGenerateMask::takeBlending(GmModel* model) {
  if (!model) return;
  blendWidth_ = model->blending()->options().autoBlueWidthF_;
  blendRatio_ = model->blending()->options().blendRatioF_;
}

bool CvCmdGenerateMask::prepare() {
  GmModel* model = liveModel();
  if (!model || !model->segmentation()->hasAnalysis()) return false;
  GmStatusArray* statuses = model->statusArray();
  if (!(statuses->statusesPresent() & (CvStatusKeep | CvStatusDelete))) return false;
  if (patchForm_) {
    if (!patch_) return false;
    const QRect area = patch_->snapshotRect();
    hasRect_ = true;
    rect_ = CvRect{area.x(), area.y(), area.width(), area.height()};
  }

  for (ForcedEdge* edge : model->forcedEdges()) {
    const ForcedEdgeRequest record = edge->engineEdge();
    edgePoints_.emplace_back(record.points, record.points + record.pointCount);
    edges_.push_back(ForcedEdgeRequest{nullptr, record.pointCount, record.width});
  }
  for (size_t i = 0; i < edges_.size(); ++i) edges_[i].points = edgePoints_[i].data();

  for (GmRegion* patch : model->patches()) {
    const QImage mask = patch->snapshotMask();
    if (mask.isNull()) continue;  // outside the working image: nothing to blend
    patchMasks_.append(mask);
    patches_.push_back(patchRecord(mask, patch->blending()->options(), patch == patch_));
  }
  for (GmRegion* patch : model->patches())
    if (statuses->markUnchangedPatch(patch)) heldMasks_.append(patch->shape().snapshot().mask());

  session_ = model->segmentation()->session();
  statusImage_ = statuses->engineImage();
  if (model->segImage() && model->blendImage()) {
    source_ = model->segImage()->engineImage();
    output_ = model->blendImage()->engineImage();
  }
  return session_ && statusImage_ && output_.data && source_.data;
}

void CvCmdGenerateMask::execute() {
  executed_ = true;
  theMaskCommandCount.store(1);
  result_ = corvaneEntryPoints().CvGenerateMask(
      session_, hasRect_ ? &rect_ : nullptr, output_, source_, statusImage_,
      edges_.empty() ? nullptr : edges_.data(), uint32_t(edges_.size()), blendWidth_, blendRatio_,
      patches_.empty() ? nullptr : patches_.data(), uint32_t(patches_.size()),
      &CorvaneThread::progressCallback, nullptr);
}

void CvCmdGenerateMask::clearHoldMarks() {
  GmModel* model = liveModel();
  if (!model) return;
  for (const QImage& mask : heldMasks_) model->statusArray()->clearUnchangedMark(mask);
  heldMasks_.clear();
}

void CvCmdGenerateMask::finish() {
  // Held pixels left in the shared status image would keep stale cut-outs in the next run.
  clearHoldMarks();
  checkCorvaneResult(result_);
  GmModel* model = liveModel();
  if (!model || !executed_ || result_ != CvOk) return;
  refreshOutputTab();
  if (wholeImage_)
    if (CorvaneThread* thread = CorvaneThread::instance())
      theMaskCommandCount.store(thread->commandCount());
  if (patch_ && model->statusArray()->engineImage()) saveTargetSnapshot(model, patch_);
}

void CvCmdGenerateMask::refreshOutputTab() {
  if (GmModel* model = liveModel()) model->signalDirtyOutputImageSlot();
}
