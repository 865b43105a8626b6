#pragma once

#include "document/CorvaneCommand.h"

// Redoes the newest undone user-level step of the image session.
class CvCmdRedo : public CorvaneCommand {
  Q_OBJECT

 public:
  explicit CvCmdRedo(GmModel* model);

  // Declines without a session.
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }
  bool refreshesUndoCounts() const override { return true; }

 private:
  CvSession* session_ = nullptr;
};
