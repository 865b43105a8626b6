#pragma once

#include <atomic>
#include <cstdint>

#include <QList>
#include <QString>
#include <QThread>

class CorvaneCommand;

// The one road into the engine: runs submitted commands strictly one at a time, in submission
// order, each command's execute on a worker started anew for it (low priority, high while the
// thread is closed). It reports every step by signals, lets the user cancel, turns a fatal
// engine result into a permanent dead-library state, and is closed and drained as a barrier
// when the document opens a new engine session or the application exits.
//
// One instance, made by the main window (tests make their own); GUI thread, except run(), the
// progress callbacks and the read-only flag queries, which the worker uses.
class CorvaneThread : public QThread {
  Q_OBJECT

 public:
  enum SubmitAsUncancellable { Cancellable = 0, Uncancellable = 1 };

  explicit CorvaneThread(QObject* parent = nullptr);
  // Tells a running engine operation to stop at its next report, waits for the worker, and
  // deletes the commands still held (they are neither finished nor discarded).
  ~CorvaneThread() override;

  // The instance, or null while none exists. Any thread.
  static CorvaneThread* instance();

  // Submits to the instance; without one the command is deleted with a warning.
  static void submitToInstance(CorvaneCommand* command, SubmitAsUncancellable how = Cancellable);
  // Takes ownership of `command`. Refused while closed (a warning) or after the library died
  // (submissionRejectedLibraryDead); a refused command is deleted at once.
  void submit(CorvaneCommand* command, SubmitAsUncancellable how = Cancellable);
  // Cancels `command` when it runs (the engine stops at its next report) or drops it when it
  // waits; nothing for a command in neither place, or one that may not be cancelled.
  void cancelCommand(CorvaneCommand* command);
  // Whether a cancel request would do anything now.
  bool canCancel() const;

  bool isOpen() const { return open_; }
  // Closing refuses later submissions and runs what is queued at high priority; the last
  // finishing step then emits closureComplete. Nothing is emitted when already drained.
  void setOpen(bool open);
  // From taking a command off the queue until its finishing step is done.
  bool isBusy() const { return busy_; }
  CorvaneCommand* currentCommand() const { return current_; }
  const QList<CorvaneCommand*>& queuedCommands() const { return queue_; }
  // A command runs or waits: the queue has not drained yet.
  bool hasWork() const { return busy_ || !queue_.isEmpty(); }
  // A command that edits the cut-out (CorvaneCommand::editsCutout) runs or waits.
  bool editInFlight() const;
  // Accepted submissions of counted commands; the main window compares it at save time.
  int commandCount() const { return commandCount_; }
  bool isLibraryDead() const { return libraryDead_; }
  // Whether the running command has been asked to stop (cancelled, or the thread is being
  // destroyed). Command thread.
  static bool stopRequested();

  // The engine progress function, installed as the engine's host-wide one while an instance
  // lives and passed to every entry point that takes a callback (with a null context):
  // reports commandProgress and answers 2 (stop) once the running command is being cancelled
  // or the thread is being destroyed, else 0. Command thread.
  static int32_t progressCallback(uint8_t percent, void* context);
  // The same report, but only destruction stops the operation: for the steps of a command that
  // must not be left half done once its first change is made.
  static int32_t progressReportCallback(uint8_t percent, void* context);

 public slots:
  void cancelCommandsSlot();
  // Prepares the current command and starts its worker, or finishes it at once when prepare
  // declines or the library is dead.
  void launchedSlot();

 signals:
  void commandStarted(CorvaneCommand* cvCmd);
  void commandFinished(CorvaneCommand* cvCmd);
  void commandCancelling(CorvaneCommand* cvCmd);
  void commandDiscarded(CorvaneCommand* cvCmd);
  // From the worker; GUI receivers get it queued.
  void commandProgress(int percent, void* userData);
  void stateChanged();
  void closureComplete();
  void queueEmptied();
  void deadLibrary(QString command, QString error);
  void submissionRejectedLibraryDead(CorvaneCommand* cvCmd);

 protected:
  void run() override;

 private slots:
  void commandThreadFinishedSlot();

 private:
  // Takes the next commands off the queue until one runs on the worker or the queue is empty.
  void launchNext();
  // Starts the current command; false when it is to be finished without a worker.
  bool startCurrent();
  // The finishing step of the current command. True when the caller is to launch the next
  // command; false when the queue ran empty or a slot it signalled launched one itself.
  bool finishCurrent();
  void discardCommand(CorvaneCommand* command);
  static void logStep(const char* step, const CorvaneCommand* command);

  bool open_ = true;
  bool busy_ = false;
  std::atomic<bool> cancelling_{false};
  std::atomic<bool> closing_{false};
  CorvaneCommand* current_ = nullptr;
  QList<CorvaneCommand*> queue_;
  int commandCount_ = 0;
  bool libraryDead_ = false;
  // Whether the current command was prepared already (launchedSlot runs it once).
  bool launched_ = false;
  // The command the worker executes: set before the worker starts, read only by it.
  CorvaneCommand* executing_ = nullptr;
  // Counts the commands taken off the queue, so a finishing step can tell whether a slot it
  // signalled has launched the next one itself.
  quint64 taken_ = 0;
};
