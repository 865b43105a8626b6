#pragma once

#include <QImage>
#include <QPointer>

#include "document/CorvaneCommand.h"

class GmRegion;

// Opens a patch's sub-session of the image session over the patch's snapshot: for analysis
// (own tuning variables) or for the patch itself, whose outline it then takes. A patch the
// engine refuses is deleted.
class CvCmdBeginSubSession : public CorvaneCommand {
  Q_OBJECT

 public:
  CvCmdBeginSubSession(GmModel* model, GmRegion* patch, bool forAnalysis = false);

  QString handleText() const override { return handleString(subSession_); }
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }

 private:
  QPointer<GmRegion> patch_;
  bool forAnalysis_;
  QImage mask_;
  CvSession* session_ = nullptr;
  CvSelection selection_{};
  CvSession* subSession_ = nullptr;
};
