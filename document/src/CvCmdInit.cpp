#include "document/CvCmdInit.h"

#include <QDebug>

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdFinish.h"
#include "document/GmModel.h"

CvCmdInit::CvCmdInit(GmModel* model) : CorvaneCommand(model, tr("Initializing...")) {}

void CvCmdInit::execute() {
  engine_ = corvaneEntryPoints().CvInit();
}

void CvCmdInit::finish() {
  if (!engine_) qWarning() << "CvCmdInit: the engine could not be created";
  if (GmModel* model = liveModel()) {
    model->setEngine(engine_);
  } else if (engine_) {
    // The document went while the engine was made: no one else would finish it.
    CorvaneThread::submitToInstance(new CvCmdFinish(nullptr, engine_));
  }
}
