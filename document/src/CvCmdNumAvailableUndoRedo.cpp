#include "document/CvCmdNumAvailableUndoRedo.h"

#include "document/CorvaneEntryPoints.h"
#include "document/GmModel.h"

CvCmdNumAvailableUndoRedo::CvCmdNumAvailableUndoRedo(GmModel* model)
    : SessionCommand(model, tr("Examining undo stack...")) {}

void CvCmdNumAvailableUndoRedo::execute() {
  CorvaneEntryPoints& engine = corvaneEntryPoints();
  if (engine.CvNumAvailableUndo(session_, &undos_) != CvOk) undos_ = 0;
  if (engine.CvNumAvailableRedo(session_, &redos_) != CvOk) redos_ = 0;
}

void CvCmdNumAvailableUndoRedo::finish() {
  if (GmModel* model = liveModel()) model->setUndoCounts(undos_, redos_);
}
