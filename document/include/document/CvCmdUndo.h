#pragma once

#include "document/SessionCommand.h"

// Undoes the newest user-level step of the image session.
class CvCmdUndo : public SessionCommand {
  Q_OBJECT

 public:
  explicit CvCmdUndo(GmModel* model);

  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }
  bool refreshesUndoCounts() const override { return true; }
  bool editsCutout() const override { return true; }
};
