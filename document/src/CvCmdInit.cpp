#include "document/CvCmdInit.h"

#include <QDebug>

#include "document/CorvaneEntryPoints.h"
#include "document/GmModel.h"

CvCmdInit::CvCmdInit(GmModel* model) : CorvaneCommand(model, tr("Initializing...")) {}

void CvCmdInit::execute() {
  engine_ = corvaneEntryPoints().CvInit();
}

void CvCmdInit::finish() {
  if (!engine_) qWarning() << "CvCmdInit: the engine could not be created";
  if (GmModel* model = liveModel()) model->setEngine(engine_);
}
