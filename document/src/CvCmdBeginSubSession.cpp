#include "document/CvCmdBeginSubSession.h"

#include <QDebug>

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"

CvCmdBeginSubSession::CvCmdBeginSubSession(GmModel* model, GmRegion* patch, bool forAnalysis)
    : CorvaneCommand(model, tr("Beginning Sub-Session...", "[ts3]")),
      patch_(patch),
      forAnalysis_(forAnalysis) {}

bool CvCmdBeginSubSession::prepare() {
  if (!patch_) return false;
  session_ = documentSession();
  if (!session_) {
    qWarning() << "CvCmdBeginSubSession::prepare: No CvSession!";
    return false;
  }
  mask_ = patch_->snapshotMask();
  if (mask_.isNull()) {
    qWarning() << "CvCmdBeginSubSession::prepare: No CvSelection!";
    return false;
  }
  selection_ = describePositionedImage(mask_);
  return true;
}

void CvCmdBeginSubSession::execute() {
  subSession_ = corvaneEntryPoints().CvBeginSubSession(session_, &selection_, forAnalysis_ ? 1 : 0,
                                                       &CorvaneThread::progressCallback, nullptr);
}

void CvCmdBeginSubSession::finish() {
  GmModel* model = liveModel();
  if (!patch_ || !model || !session_) return;
  SegmentationStuff* settings = patch_->segmentation();
  if (forAnalysis_) {
    settings->setSubSession(subSession_);
    settings->adoptEdges();
    return;
  }
  settings->setSession(subSession_);
  if (!settings->owner()) {
    settings->setSubSession(subSession_);
    settings->adoptEdges();
  }
  if (subSession_) {
    patch_->adoptOutline(subSession_->regions, subSession_->regionCount);
  } else if (model->containsTarget(patch_)) {
    // The engine refused the patch (outside the image, say): it cannot be kept.
    model->deleteRegion(patch_);
  }
}
