#include "document/CvCmdProtect.h"

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/GmRegion.h"
#include "document/TsSourceImage.h"

CvCmdProtect::CvCmdProtect(GmModel* model, GmRegion* patch)
    : CorvaneCommand(model, tr("Protecting Patch...", "[ts3]")), patch_(patch) {
  result_ = CvPreconditionFailed;
  if (patch) mask_ = patch->snapshotMask();
}

bool CvCmdProtect::prepare() {
  session_ = documentSession();
  statusImage_ = documentStatusImage();
  if (!patch_ || mask_.isNull()) return false;
  selection_ = describePositionedImage(mask_);
  return session_ && statusImage_;
}

void CvCmdProtect::execute() {
  // Protection is no undo step: the engine keeps changes of bit 32 out of the history.
  result_ = corvaneEntryPoints().CvSelect(session_, statusImage_, &selection_, CvStatusProtected,
                                          CvStatusInPicture, 0, 0.0f,
                                          &CorvaneThread::progressCallback, nullptr);
}

void CvCmdProtect::finish() {
  refreshStatuses();
}
