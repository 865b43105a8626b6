#pragma once

#include "document/SessionCommand.h"

// Redoes the newest undone user-level step of the image session.
class CvCmdRedo : public SessionCommand {
  Q_OBJECT

 public:
  explicit CvCmdRedo(GmModel* model);

  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }
  bool refreshesUndoCounts() const override { return true; }
  bool editsCutout() const override { return true; }
};
