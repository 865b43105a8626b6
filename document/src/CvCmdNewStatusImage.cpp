#include "document/CvCmdNewStatusImage.h"

#include "document/CorvaneEntryPoints.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/TsSourceImage.h"

CvCmdNewStatusImage::CvCmdNewStatusImage(GmModel* model)
    : CorvaneCommand(model, tr("Creating New Status Image...")) {}

bool CvCmdNewStatusImage::prepare() {
  GmModel* model = liveModel();
  if (!model) return false;
  engine_ = model->engine();
  picture_ = model->workingPicture();
  return engine_ && picture_.data;
}

void CvCmdNewStatusImage::execute() {
  statusImage_ = corvaneEntryPoints().CvNewStatusImage(engine_, picture_);
}

void CvCmdNewStatusImage::finish() {
  GmModel* model = liveModel();
  if (!model) return;
  if (engine_ && picture_.data) {
    model->setStatusImageHandle(statusImage_);
    model->statusArray()->updateStatusesPresent();
  }
  model->signalDirtyImageSlot();
}
