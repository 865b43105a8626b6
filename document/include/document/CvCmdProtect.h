#pragma once

#include <QImage>
#include <QPointer>

#include "document/CorvaneCommand.h"

class GmRegion;

// Sets the protected bit (32) under a patch's snapshot, so strokes leave those pixels alone.
class CvCmdProtect : public CorvaneCommand {
  Q_OBJECT

 public:
  CvCmdProtect(GmModel* model, GmRegion* patch);

  // Declines for another document than the instance, or without a session, a status image
  // or the patch's mask.
  bool prepare() override;
  void execute() override;
  void finish() override;

 private:
  QPointer<GmRegion> patch_;
  QImage mask_;
  CvSession* session_ = nullptr;
  CvImage* statusImage_ = nullptr;
  CvSelection selection_{};
};
