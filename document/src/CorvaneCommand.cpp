#include "document/CorvaneCommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/SegmentationStuff.h"

CorvaneCommand::CorvaneCommand(GmModel* model, const QString& description)
    : model_(model), description_(description) {}

GmModel* CorvaneCommand::model() const {
  return model_;
}

QString CorvaneCommand::handleString(const void* handle) {
  QString text;
  QTextStream(&text) << handle;
  return text;
}

GmModel* CorvaneCommand::liveModel() const {
  GmModel* model = model_;
  return model && model == GmModel::existingInstance() ? model : nullptr;
}

CvSession* CorvaneCommand::documentSession() const {
  GmModel* model = liveModel();
  return model ? model->segmentation()->session() : nullptr;
}

CvImage* CorvaneCommand::documentStatusImage() const {
  GmModel* model = liveModel();
  return model ? model->statusArray()->engineImage() : nullptr;
}

void CorvaneCommand::refreshStatuses() const {
  GmModel* model = liveModel();
  if (!model) return;
  if (!changesTracked_) {
    model->statusArray()->updateStatusesPresent();
    model->signalDirtyImageSlot();
    return;
  }
  model->statusArray()->updateStatusesPresent(changed_);
  model->signalDirtyWorkingRect(changed_);
}

void CorvaneCommand::trackChanges() {
  changed_ = QRect();
  changesTracked_ = true;
}

void CorvaneCommand::noteChanged(const CvSession* session) {
  if (session && session->changedWidth > 0 && session->changedHeight > 0)
    noteChangedArea(QRect(session->changedX, session->changedY, int(session->changedWidth),
                          int(session->changedHeight)));
}

void CorvaneCommand::noteChangedArea(const QRect& area) {
  changed_ |= area;
}

void CorvaneCommand::forgetChanges() {
  changesTracked_ = false;
}

CvResult CorvaneCommand::openUndoStep(CvSession* session, bool* opened) {
  *opened = false;
  if (CorvaneThread::stopRequested()) return CvCancelled;
  CorvaneEntryPoints& engine = corvaneEntryPoints();
  uint32_t undos = 0, redos = 0;
  if (engine.CvNumAvailableUndo(session, &undos) == CvOk &&
      engine.CvNumAvailableRedo(session, &redos) == CvOk && (undos == 0 || redos != 0))
    return CvOk;
  const CvResult result = engine.CvCommitUndoStep(session);
  *opened = result == CvOk;
  return result;
}

void CorvaneCommand::withdrawUndoStep(CvSession* session) {
  corvaneEntryPoints().CvUndo(session, nullptr, nullptr);
}

void checkCorvaneResult(CvResult code) {
  switch (code) {
    case CvOutOfMemory:
    case CvUndoOutOfMemory:
      throw CorvaneCommand::Error{
          int(code), QCoreApplication::translate("CorvaneCommand", "Out of memory",
                                                 "description of Corvane Library error")};
    case CvException:
    case CvEngineFailed:
      // 4: the engine caught an exception and has marked itself failed; every later call
      // answers 5, so it is as dead as after 5.
      throw CorvaneCommand::Error{
          int(code), QCoreApplication::translate("CorvaneCommand", "Corvane library fault",
                                                 "description of Corvane Library error")};
    default:
      return;
  }
}
