#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include "Corvane.h"

class GmModel;

// One engine operation, run by the CorvaneThread in three steps: prepare in the GUI thread
// (gathers handles and data from the document, may decline), execute on the command thread
// (the engine calls, using only what prepare captured) and finish back in the GUI thread
// (checks the engine's result and updates the document; it runs even after a declined
// prepare). Submitting a command hands it to the thread, which deletes it after its finishing
// step or when it is discarded; a caller that must follow it watches destroyed() or keeps a
// QPointer.
class CorvaneCommand : public QObject {
  Q_OBJECT

 public:
  // Thrown (by value) from finish when the engine reports a fatal result: the library is
  // then dead for the rest of the process.
  struct Error {
    int code;
    QString message;
  };

  explicit CorvaneCommand(GmModel* model, const QString& description = QString());

  // Any thread: the user-visible text of the operation ("Brushing..." and so on).
  virtual const QString& description() const { return description_; }
  // The engine handles the command carries, for the log lines; GUI thread.
  virtual QString handleText() const { return QString(); }
  // GUI thread. False: nothing is to be executed (finish still runs).
  virtual bool prepare() { return true; }
  // Command thread: the engine calls; stores the result.
  virtual void execute() = 0;
  // GUI thread, after execute or after a declined prepare.
  virtual void finish() {}
  // GUI thread: the command is dropped without running.
  virtual void discarded() {}
  virtual bool isCancellable() const { return true; }
  // Whether an accepted submission raises the thread's command count.
  virtual bool counted() const { return true; }
  // Whether the engine's undo and redo counts are read again after the finishing step.
  virtual bool refreshesUndoCounts() const { return false; }
  // Whether the command is a change of the user's to the cut-out (a stroke, a fill, a clean-up,
  // an undo or a redo): work that would be lost from its submission on, before its finishing
  // step shows it in the undo counts. What only follows from opening an image is none.
  virtual bool editsCutout() const { return false; }

  // The engine's answer as the command stored it; its starting value until execute ran.
  CvResult result() const { return result_; }
  bool isUncancellable() const { return uncancellable_; }
  void setUncancellable(bool uncancellable) { uncancellable_ = uncancellable; }
  // The document the command works on; null once it is gone. GUI thread.
  GmModel* model() const;

 protected:
  // A handle written the way the log lines show it.
  static QString handleString(const void* handle);
  // The document when it is still the one instance, else null. GUI thread.
  GmModel* liveModel() const;
  // The image session of the live document; null without one. GUI thread.
  CvSession* documentSession() const;
  // The status array's engine image of the live document; null without one. GUI thread.
  CvImage* documentStatusImage() const;
  // After the engine changed statuses: the status array reads them again and the views
  // repaint, both only over the area the command noted as changed, or everywhere when it
  // noted none. GUI thread.
  void refreshStatuses() const;

  // Command thread. What the finishing step reads again: trackChanges starts an empty area,
  // noteChanged widens it by the changed rectangle the engine reports for the last operation
  // of `session` (a session over the whole picture), noteChangedArea by an area in working
  // pixels, and forgetChanges (a failure, a cancel, a change the engine does not bound)
  // makes it the whole picture again, as it is for a command that tracks nothing.
  void trackChanges();
  void noteChanged(const CvSession* session);
  void noteChangedArea(const QRect& area);
  void forgetChanges();

  // Command thread. Opens a user-level undo step for the change that follows, unless the
  // engine opens one itself inside the operation (it does while there is no undo step or there
  // are redo steps), where a cancelled operation also takes it back. `opened` tells whether
  // this call opened one. Answers 2, touching nothing, once the command is asked to stop.
  static CvResult openUndoStep(CvSession* session, bool* opened);
  // Command thread. Takes back the empty step openUndoStep opened when the operation after it
  // was cancelled: the undo count is as before (the engine keeps the empty step as one redo
  // step, which the next change drops).
  static void withdrawUndoStep(CvSession* session);

  CvResult result_ = CvOk;

 private:
  QPointer<GmModel> model_;
  QString description_;
  // Written by the command thread, read by the finishing step after it ended.
  QRect changed_;
  bool changesTracked_ = false;
  bool uncancellable_ = false;
};

// Throws CorvaneCommand::Error for the results after which the engine is unusable: 3 and 8
// ("Out of memory"), 4 (the engine caught an exception and marked itself failed) and 5
// ("Corvane library fault"). Every other result returns, and the calling finish decides.
void checkCorvaneResult(CvResult code);
