#pragma once

#include "document/SessionCommand.h"

// Empties the undo history of the image session.
class CvCmdClearUndoRedo : public SessionCommand {
  Q_OBJECT

 public:
  explicit CvCmdClearUndoRedo(GmModel* model);

  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }
  bool refreshesUndoCounts() const override { return true; }
};
