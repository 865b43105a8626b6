#include "document/CvCmdUndo.h"

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"

CvCmdUndo::CvCmdUndo(GmModel* model) : SessionCommand(model, tr("Undoing...")) {}

void CvCmdUndo::execute() {
  result_ = corvaneEntryPoints().CvUndo(session_, &CorvaneThread::progressCallback, nullptr);
}

void CvCmdUndo::finish() {
  checkCorvaneResult(result_);
  refreshStatuses();
}
