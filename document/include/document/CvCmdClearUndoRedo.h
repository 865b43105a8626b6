#pragma once

#include "document/CorvaneCommand.h"

// Empties the undo history of the image session.
class CvCmdClearUndoRedo : public CorvaneCommand {
  Q_OBJECT

 public:
  explicit CvCmdClearUndoRedo(GmModel* model);

  // Declines without a session.
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }
  bool refreshesUndoCounts() const override { return true; }

 private:
  CvSession* session_ = nullptr;
};
