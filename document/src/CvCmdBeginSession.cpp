#include "document/CvCmdBeginSession.h"

#include <QDebug>

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/SegmentationStuff.h"
#include "document/TuningVariableTable.h"

CvCmdBeginSession::CvCmdBeginSession(GmModel* model, GmSession::SettingsPreservation preservation)
    : CorvaneCommand(model, tr("Beginning Session...")), preservation_(preservation) {}

bool CvCmdBeginSession::prepare() {
  if (GmModel* model = liveModel()) {
    engine_ = model->engine();
    picture_ = model->workingPicture();
    settings_ = model->segmentation();
  }
  haveSettings_ = !settings_.isNull();
  return true;
}

void CvCmdBeginSession::execute() {
  if (!haveSettings_) return;
  session_ = corvaneEntryPoints().CvBeginSession(engine_, picture_,
                                                 &CorvaneThread::progressCallback, nullptr);
  if (!session_) return;
  defaults_.tolerance = session_->tolerance;
  defaults_.width = session_->edgeWidth;
  defaults_.contrast = int(session_->choices & 0xFF);
  defaults_.texture = int(session_->choices >> 8 & 0xFF);
}

void CvCmdBeginSession::finish() {
  if (!session_) {
    if (haveSettings_) qWarning() << "CvCmdBeginSession: the engine opened no session";
    return;
  }
  GmModel* model = liveModel();
  if (!settings_ || !model) return;
  settings_->setSession(session_);
  if (!settings_->owner()) {
    settings_->setSubSession(session_);
    settings_->adoptEdges();
  }
  model->tuningVariables()->refresh(model->segmentation()->session());
  model->takeSessionDefaults(defaults_, preservation_);
}
