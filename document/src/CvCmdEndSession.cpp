#include "document/CvCmdEndSession.h"

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/PixelState.h"
#include "document/SegmentationStuff.h"
#include "document/Shape.h"
#include "document/TuningVariableTable.h"

CvCmdEndSession::CvCmdEndSession(GmModel* model, CvSession* session, CvSession* subSession,
                                 QObject* first, QObject* second)
    : CorvaneCommand(model, tr("Ending Session...")),
      handlesGiven_(true),
      session_(session),
      subSession_(subSession),
      first_(first),
      second_(second),
      deletesImages_(first != nullptr) {
  result_ = CvPreconditionFailed;
}

CvCmdEndSession::CvCmdEndSession(GmModel* model, SegmentationStuff* settings, Shape* shape)
    : CorvaneCommand(model, tr("Ending Session...")), settings_(settings) {
  result_ = CvPreconditionFailed;
  if (shape) {
    // The engine may still read the snapshot's mask until the session has ended.
    snapshot_ = std::make_unique<PixelState>(shape->snapshot());
    shape->snapshot().clear();
  }
}

CvCmdEndSession::CvCmdEndSession(GmModel* model, GmRegion* patch)
    : CorvaneCommand(model, tr("Ending Session...")),
      settings_(patch ? patch->segmentation() : nullptr),
      patch_(patch) {
  result_ = CvPreconditionFailed;
}

CvCmdEndSession::~CvCmdEndSession() {
  delete first_.data();
  delete second_.data();
  delete patch_.data();
}

QString CvCmdEndSession::handleText() const {
  return handleString(session_) + QStringLiteral(", ") + handleString(subSession_);
}

bool CvCmdEndSession::prepare() {
  if (handlesGiven_) return true;
  if (!settings_) return false;
  session_ = settings_->session();
  settings_->setSession(nullptr);
  if (!settings_->owner()) {
    settings_->setSubSession(nullptr);
    settings_->adoptEdges();
  }
  subSession_ = settings_->subSession();
  settings_->setSubSession(nullptr);
  settings_->adoptEdges();
  return session_ || subSession_;
}

void CvCmdEndSession::execute() {
  // Ending a session ends its sub-sessions with it: a differing sub-session goes first, so
  // its own end neither fails nor touches a freed handle.
  CorvaneEntryPoints& engine = corvaneEntryPoints();
  result_ = CvOk;
  if (subSession_ && subSession_ != session_)
    result_ = engine.CvEndSession(subSession_, &CorvaneThread::progressReportCallback, nullptr);
  if (result_ == CvOk && session_)
    result_ = engine.CvEndSession(session_, &CorvaneThread::progressReportCallback, nullptr);
}

void CvCmdEndSession::finish() {
  checkCorvaneResult(result_);
  GmModel* model = liveModel();
  if (model && deletesImages_) model->setUndoCounts(0, 0);
  if (model) model->tuningVariables()->refresh(model->segmentation()->session());
}
