#include "document/CvCmdAutoFill.h"

#include "document/BlendingStuff.h"
#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/SegmentationStuff.h"

CvCmdAutoFill::CvCmdAutoFill(GmModel* model, GmRegion* patch, int fillCode)
    : CorvaneCommand(model, tr("Auto-Filling...")),
      patch_(patch),
      withPatch_(patch != nullptr),
      fillCode_(fillCode) {
  if (model) blendWidth_ = model->blending()->options().autoBlueWidthF_;
}

bool CvCmdAutoFill::prepare() {
  session_ = documentSession();
  statusImage_ = documentStatusImage();
  target_ = session_;
  if (withPatch_) {
    if (!patch_) return false;
    const SegmentationStuff* settings = patch_->segmentation();
    target_ = settings->subSession() ? settings->subSession() : settings->session();
  }
  return session_ && target_ && statusImage_;
}

void CvCmdAutoFill::execute() {
  CorvaneEntryPoints& engine = corvaneEntryPoints();
  bool opened = false;
  result_ = openUndoStep(session_, &opened);
  if (result_ == CvOk && withPatch_) result_ = engine.CvSetStatusFromParent(target_, statusImage_);
  if (result_ == CvOk)
    result_ = engine.CvAutoFill(target_, statusImage_, 0, uint8_t(fillCode_), blendWidth_,
                                &CorvaneThread::progressCallback, nullptr);
  if (result_ == CvCancelled && opened) withdrawUndoStep(session_);
  if (result_ == CvOk && withPatch_) result_ = engine.CvSetParentStatus(target_, statusImage_);
}

void CvCmdAutoFill::finish() {
  checkCorvaneResult(result_);
  refreshStatuses();
}
