#pragma once

#include "document/CorvaneCommand.h"

// Undoes the newest user-level step of the image session.
class CvCmdUndo : public CorvaneCommand {
  Q_OBJECT

 public:
  explicit CvCmdUndo(GmModel* model);

  // Declines without a session.
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }
  bool refreshesUndoCounts() const override { return true; }

 private:
  CvSession* session_ = nullptr;
};
