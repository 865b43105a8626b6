#include "document/AutoCut.h"

#include "document/CorvaneThread.h"
#include "document/CvCmdGenerateMask.h"
#include "document/GmModel.h"

AutoCut::AutoCut(GmModel* model) : QObject(model), model_(model) {}

void AutoCut::cutoutNeededSlot() {
  CorvaneThread* thread = CorvaneThread::instance();
  if (!model_->segImage() || !thread || !thread->isOpen()) return;
  if (state_ == Idle) {
    state_ = Busy;
    emit busyStateChangedTo(true);
  } else if (CvCmdGenerateMask* old = pending_) {
    disconnect(old, &QObject::destroyed, this, &AutoCut::cutoutCmdFinishedSlot);
    thread->cancelCommand(old);
  }
  auto* command = new CvCmdGenerateMask(model_);
  pending_ = command;
  // Connected before the submission, which deletes a command it refuses.
  connect(command, &QObject::destroyed, this, &AutoCut::cutoutCmdFinishedSlot);
  thread->submit(command);
}

void AutoCut::cutoutCmdFinishedSlot() {
  if (state_ != Busy) return;
  state_ = Idle;
  pending_ = nullptr;
  emit busyStateChangedTo(false);
}
