#pragma once

#include <QPointer>

#include "document/CorvaneCommand.h"
#include "document/GmSession.h"

class SegmentationStuff;

// Opens the engine session on the working image; its finish stores the session in the
// image's settings and hands the session's analysis defaults to the document.
class CvCmdBeginSession : public CorvaneCommand {
  Q_OBJECT

 public:
  CvCmdBeginSession(GmModel* model, GmSession::SettingsPreservation preservation);

  QString handleText() const override { return handleString(session_); }
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }

 private:
  GmSession::SettingsPreservation preservation_;
  CvEngine* engine_ = nullptr;
  CvImage picture_{};
  QPointer<SegmentationStuff> settings_;
  bool haveSettings_ = false;
  CvSession* session_ = nullptr;
  GmSession::AnalysisDefaults defaults_;
};
