#include "document/CvCmdDeleteStatusImage.h"

#include "document/CorvaneEntryPoints.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"

CvCmdDeleteStatusImage::CvCmdDeleteStatusImage(GmModel* model)
    : CorvaneCommand(model, tr("Deleting Status Image...")) {
  result_ = CvPreconditionFailed;
  if (model) {
    statusImage_ = model->statusArray()->engineImage();
    model->setStatusImageHandle(nullptr);
  }
}

void CvCmdDeleteStatusImage::execute() {
  result_ = corvaneEntryPoints().CvDeleteStatusImage(statusImage_);
}

void CvCmdDeleteStatusImage::finish() {
  checkCorvaneResult(result_);
  if (GmModel* model = liveModel()) {
    model->setStatusImageHandle(nullptr);
    model->statusArray()->updateStatusesPresent();
    model->signalDirtyImageSlot();
  }
}
