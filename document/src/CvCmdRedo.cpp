#include "document/CvCmdRedo.h"

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"

CvCmdRedo::CvCmdRedo(GmModel* model) : CorvaneCommand(model, tr("Redoing...")) {}

bool CvCmdRedo::prepare() {
  session_ = documentSession();
  return session_ != nullptr;
}

void CvCmdRedo::execute() {
  result_ = corvaneEntryPoints().CvRedo(session_, &CorvaneThread::progressCallback, nullptr);
}

void CvCmdRedo::finish() {
  checkCorvaneResult(result_);
  refreshStatuses();
}
