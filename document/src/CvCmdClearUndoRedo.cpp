#include "document/CvCmdClearUndoRedo.h"

#include "document/CorvaneEntryPoints.h"

CvCmdClearUndoRedo::CvCmdClearUndoRedo(GmModel* model)
    : SessionCommand(model, tr("Clearing Undo Stack...")) {}

void CvCmdClearUndoRedo::execute() {
  result_ = corvaneEntryPoints().CvClearUndoRedo(session_);
}

void CvCmdClearUndoRedo::finish() {
  checkCorvaneResult(result_);
}
