#include "document/CvCmdDespeckleSelection.h"

#include <algorithm>

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"

namespace {

int theDespeckleStrength = 3;

}  // namespace

int despeckleStrength() {
  return theDespeckleStrength;
}

void setDespeckleStrength(int strength) {
  theDespeckleStrength = std::clamp(strength, 1, 20);
}

CvCmdDespeckleSelection::CvCmdDespeckleSelection(GmModel* model, int classes)
    : CorvaneCommand(model, tr("Cleaning...")), classes_(classes), strength_(despeckleStrength()) {}

bool CvCmdDespeckleSelection::prepare() {
  session_ = documentSession();
  statusImage_ = documentStatusImage();
  if (!session_ || !statusImage_) return false;
  wholeSession_ = CvSelection{session_->x, session_->y,
                              CvImage{session_->width, session_->height, 0, CvKindStatus, nullptr}};
  return true;
}

void CvCmdDespeckleSelection::execute() {
  CorvaneEntryPoints& engine = corvaneEntryPoints();
  bool opened = false;
  result_ = openUndoStep(session_, &opened);
  // Cancellable until the first despeckle has changed statuses, then run to the end.
  CvProgressCallback progress = &CorvaneThread::progressCallback;
  const uint8_t size = uint8_t(strength_);
  if (result_ == CvOk && classes_ == 0)
    result_ = engine.CvDespeckleSelection(session_, statusImage_, size, progress, nullptr);
  for (const uint8_t bit : {CvStatusKeep, CvStatusDelete, CvStatusBlend}) {
    if (result_ != CvOk || !(classes_ & bit)) continue;
    result_ = engine.CvSelect(session_, statusImage_, &wholeSession_, bit, bit, 0, 0.0f, progress,
                              nullptr);
    if (result_ == CvOk)
      result_ = engine.CvDespeckleSelection(session_, statusImage_, size, progress, nullptr);
    if (result_ == CvOk) progress = &CorvaneThread::progressReportCallback;
  }
  if (result_ == CvCancelled && opened && progress == &CorvaneThread::progressCallback)
    withdrawUndoStep(session_);
}

void CvCmdDespeckleSelection::finish() {
  checkCorvaneResult(result_);
  refreshStatuses();
}
