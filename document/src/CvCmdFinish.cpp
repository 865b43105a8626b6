#include "document/CvCmdFinish.h"

#include "document/CorvaneEntryPoints.h"
#include "document/GmModel.h"

CvCmdFinish::CvCmdFinish(GmModel* model) : CorvaneCommand(model, tr("Finishing...")) {
  result_ = CvPreconditionFailed;
}

bool CvCmdFinish::prepare() {
  GmModel* model = liveModel();
  engine_ = model ? model->engine() : nullptr;
  return engine_ != nullptr;
}

void CvCmdFinish::execute() {
  result_ = corvaneEntryPoints().CvFinish(engine_);
}

void CvCmdFinish::finish() {
  if (GmModel* model = liveModel()) {
    // The engine took its sessions and status images with it: handles still held would
    // dangle, and the status array would read freed memory.
    if (engine_) model->forgetEngineHandles();
    model->setEngine(nullptr);
  }
  checkCorvaneResult(result_);
}
