#pragma once

#include "document/CorvaneCommand.h"

// Destroys the engine with every session and status image still registered in it.
class CvCmdFinish : public CorvaneCommand {
  Q_OBJECT

 public:
  explicit CvCmdFinish(GmModel* model);
  // Finishes `engine`, or the document's engine when it has one by then.
  CvCmdFinish(GmModel* model, CvEngine* engine);

  // Declines without an engine.
  bool prepare() override;
  void execute() override;
  // Forgets the engine and every handle that lived in it, then checks the result.
  void finish() override;
  bool isCancellable() const override { return false; }

 private:
  CvEngine* engine_ = nullptr;
};
