#pragma once

#include <QImage>

#include "document/CorvaneCommand.h"

// Places a whole status image (statuses read from a project) into the session, as one undo
// step.
class CvCmdSetStatus : public CorvaneCommand {
  Q_OBJECT

 public:
  // `statuses`: 8-bit indexed, its offset the place in the working image.
  CvCmdSetStatus(GmModel* model, const QImage& statuses);

  bool prepare() override;
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }
  bool counted() const override { return false; }
  bool refreshesUndoCounts() const override { return true; }

 private:
  QImage statuses_;
  CvSession* session_ = nullptr;
  CvImage* statusImage_ = nullptr;
};
