#include "document/CvCmdClearUndoRedo.h"

#include "document/CorvaneEntryPoints.h"

CvCmdClearUndoRedo::CvCmdClearUndoRedo(GmModel* model)
    : CorvaneCommand(model, tr("Clearing Undo Stack...")) {}

bool CvCmdClearUndoRedo::prepare() {
  session_ = documentSession();
  return session_ != nullptr;
}

void CvCmdClearUndoRedo::execute() {
  result_ = corvaneEntryPoints().CvClearUndoRedo(session_);
}

void CvCmdClearUndoRedo::finish() {
  checkCorvaneResult(result_);
}
