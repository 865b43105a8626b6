#include "document/CvCmdSetStatus.h"

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/TsSourceImage.h"

CvCmdSetStatus::CvCmdSetStatus(GmModel* model, const QImage& statuses)
    : CorvaneCommand(model, tr("Setting Status Image...")), statuses_(statuses) {
  result_ = CvPreconditionFailed;
}

bool CvCmdSetStatus::prepare() {
  session_ = documentSession();
  statusImage_ = documentStatusImage();
  return session_ && statusImage_;
}

void CvCmdSetStatus::execute() {
  const CvSelection labels = describePositionedImage(statuses_);
  result_ = corvaneEntryPoints().CvSetStatus(session_, statusImage_, &labels,
                                             &CorvaneThread::progressCallback, nullptr);
}

void CvCmdSetStatus::finish() {
  checkCorvaneResult(result_);
  refreshStatuses();
}
