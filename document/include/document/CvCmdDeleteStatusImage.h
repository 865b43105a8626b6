#pragma once

#include "document/CorvaneCommand.h"

// Releases the status array's engine image: the array lets go of it at once; the engine only
// validates the handle, since it keeps status images until it is finished.
class CvCmdDeleteStatusImage : public CorvaneCommand {
  Q_OBJECT

 public:
  // Detaches the document's status array from its engine image now.
  explicit CvCmdDeleteStatusImage(GmModel* model);

  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }

 private:
  CvImage* statusImage_ = nullptr;
};
