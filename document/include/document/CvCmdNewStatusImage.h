#pragma once

#include "document/CorvaneCommand.h"

// Asks the engine for a status image of the working image's size and gives it to the
// document's status array.
class CvCmdNewStatusImage : public CorvaneCommand {
  Q_OBJECT

 public:
  explicit CvCmdNewStatusImage(GmModel* model);

  // Builds the working image when needed; declines without an engine or an image.
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }

 private:
  CvEngine* engine_ = nullptr;
  CvImage picture_{};
  CvImage* statusImage_ = nullptr;
};
