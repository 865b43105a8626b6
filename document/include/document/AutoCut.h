#pragma once

#include <QObject>
#include <QPointer>

#include "document/CvCmdGenerateMask.h"

class GmModel;

// Keeps the cut-out current while a session is open: every change of the statuses or of the
// image's blend ratio cancels the cut-out still pending and queues a new whole-image one, so a
// burst of changes leaves at most one alive. It reports busy from the first request until the
// last cut-out command is gone. The document owns it and connects it while a session is open.
// GUI thread.
class AutoCut : public QObject {
  Q_OBJECT

 public:
  explicit AutoCut(GmModel* model);

  bool isBusy() const { return state_ == Busy; }
  // The cut-out command waiting or running; null when none.
  CvCmdGenerateMask* pending() const { return pending_; }

 signals:
  void busyStateChangedTo(bool isBusy);

 public slots:
  // Only with an image installed and the command thread open.
  void cutoutNeededSlot();

 private slots:
  void cutoutCmdFinishedSlot();

 private:
  enum State { Idle = 0, Busy = 1 };

  GmModel* model_;
  State state_ = Idle;
  // Not owned: the command thread deletes it.
  QPointer<CvCmdGenerateMask> pending_;
};
