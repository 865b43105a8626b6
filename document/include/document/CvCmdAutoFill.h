#pragma once

#include <QPointer>

#include "document/CorvaneCommand.h"

class GmRegion;

// Gives every unassigned, unprotected pixel of the image (or of a patch) the class opposite
// to the fill code (0, 2 or 4, passed to the engine as is), with a blend band along the border,
// as one undo step.
class CvCmdAutoFill : public CorvaneCommand {
  Q_OBJECT

 public:
  // The band's width comes from the image's blending options now.
  CvCmdAutoFill(GmModel* model, GmRegion* patch, int fillCode);

  QString handleText() const override { return handleString(target_); }
  // Declines without a session, or for a patch that is gone or has no session.
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool refreshesUndoCounts() const override { return true; }
  bool editsCutout() const override { return true; }

 private:
  QPointer<GmRegion> patch_;
  bool withPatch_;
  int fillCode_;
  float blendWidth_ = 0;
  CvSession* session_ = nullptr;
  CvSession* target_ = nullptr;
  CvImage* statusImage_ = nullptr;
};
