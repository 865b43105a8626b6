#include "document/CvCmdRedo.h"

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"

CvCmdRedo::CvCmdRedo(GmModel* model) : SessionCommand(model, tr("Redoing...")) {}

void CvCmdRedo::execute() {
  trackChanges();
  result_ = corvaneEntryPoints().CvRedo(session_, &CorvaneThread::progressCallback, nullptr);
  if (result_ == CvOk)
    noteChanged(session_);
  else
    forgetChanges();
}

void CvCmdRedo::finish() {
  checkCorvaneResult(result_);
  refreshStatuses();
}
