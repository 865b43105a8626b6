#pragma once

#include "document/CorvaneCommand.h"

// Creates the engine; its finish gives the handle to the document.
class CvCmdInit : public CorvaneCommand {
  Q_OBJECT

 public:
  explicit CvCmdInit(GmModel* model);

  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }

 private:
  CvEngine* engine_ = nullptr;
};
