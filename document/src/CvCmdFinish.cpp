#include "document/CvCmdFinish.h"

#include "document/CorvaneEntryPoints.h"
#include "document/GmModel.h"

CvCmdFinish::CvCmdFinish(GmModel* model) : CvCmdFinish(model, model ? model->engine() : nullptr) {}

CvCmdFinish::CvCmdFinish(GmModel* model, CvEngine* engine)
    : CorvaneCommand(model, tr("Finishing...")), engine_(engine) {
  result_ = CvPreconditionFailed;
}

bool CvCmdFinish::prepare() {
  // The document's engine when it still has one (made since this command was); else the one
  // known at construction, so a document deleted meanwhile leaves no engine behind.
  GmModel* model = liveModel();
  if (model && model->engine()) engine_ = model->engine();
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
