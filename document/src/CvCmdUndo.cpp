#include "document/CvCmdUndo.h"

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"

CvCmdUndo::CvCmdUndo(GmModel* model) : SessionCommand(model, tr("Undoing...")) {}

void CvCmdUndo::execute() {
  trackChanges();
  result_ = corvaneEntryPoints().CvUndo(session_, &CorvaneThread::progressCallback, nullptr);
  if (result_ == CvOk)
    noteChanged(session_);
  else
    forgetChanges();
}

void CvCmdUndo::finish() {
  checkCorvaneResult(result_);
  refreshStatuses();
}
