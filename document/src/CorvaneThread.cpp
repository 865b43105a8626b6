#include "document/CorvaneThread.h"

#include <QDebug>

#include "Corvane.h"
#include "document/CorvaneCommand.h"
#include "document/CvCmdNumAvailableUndoRedo.h"
#include "document/DocumentMetaTypes.h"

namespace {

std::atomic<CorvaneThread*> theInstance{nullptr};

}  // namespace

CorvaneThread::CorvaneThread(QObject* parent) : QThread(parent) {
  registerDocumentMetaTypes();
  setObjectName(QStringLiteral("CorvaneThread"));
  theInstance.store(this);
  // "Generate mask" reports only through the engine's host-wide function.
  corvaneSetProgressFunction(&CorvaneThread::progressCallback);
  connect(this, &QThread::finished, this, &CorvaneThread::commandThreadFinishedSlot);
}

CorvaneThread::~CorvaneThread() {
  closing_.store(true);
  wait();
  CorvaneThread* self = this;
  if (theInstance.compare_exchange_strong(self, nullptr)) corvaneSetProgressFunction(nullptr);
  CorvaneCommand* current = current_;
  current_ = nullptr;
  delete current;
  const QList<CorvaneCommand*> queued = queue_;
  queue_.clear();
  qDeleteAll(queued);
}

CorvaneThread* CorvaneThread::instance() {
  return theInstance.load();
}

void CorvaneThread::logStep(const char* step, const CorvaneCommand* command) {
  qWarning().noquote() << QStringLiteral("%1 - %2 (%3)")
                              .arg(command->description(), QLatin1String(step),
                                   command->handleText());
}

void CorvaneThread::submitToInstance(CorvaneCommand* command, SubmitAsUncancellable how) {
  if (CorvaneThread* thread = instance()) {
    thread->submit(command, how);
  } else if (command) {
    qWarning().noquote()
        << QStringLiteral("%1 - dropped: there is no CorvaneThread").arg(command->description());
    delete command;
  }
}

void CorvaneThread::submit(CorvaneCommand* command, SubmitAsUncancellable how) {
  if (!command) return;
  if (!open_) {
    qWarning() << "Trapped a CorvaneCommand being submitted when CorvaneThread is closed";
    delete command;
    return;
  }
  if (libraryDead_) {
    emit submissionRejectedLibraryDead(command);
    delete command;
    return;
  }
  if (how == Uncancellable) command->setUncancellable(true);
  if (command->counted()) ++commandCount_;
  queue_.append(command);
  if (!busy_) launchNext();
}

bool CorvaneThread::editInFlight() const {
  if (current_ && current_->editsCutout()) return true;
  for (const CorvaneCommand* command : queue_)
    if (command->editsCutout()) return true;
  return false;
}

void CorvaneThread::launchNext() {
  for (;;) {
    if (queue_.isEmpty()) {
      if (busy_) {
        busy_ = false;
        const quint64 taken = taken_;
        emit stateChanged();
        if (taken != taken_ || busy_) return;  // a slot submitted and launched
      }
      if (open_)
        emit queueEmptied();
      else
        emit closureComplete();
      return;
    }
    busy_ = true;
    cancelling_.store(false);
    current_ = queue_.takeFirst();
    launched_ = false;
    ++taken_;
    emit stateChanged();
    if (!current_ || launched_) return;  // a slot of stateChanged launched it already
    launched_ = true;
    if (startCurrent() || !finishCurrent()) return;
  }
}

void CorvaneThread::launchedSlot() {
  if (!current_ || launched_) return;
  launched_ = true;
  if (!startCurrent() && finishCurrent()) launchNext();
}

bool CorvaneThread::startCurrent() {
  logStep("prepare", current_);
  if (!current_->prepare()) {
    qWarning().noquote() << QStringLiteral("%1 - prepare failed").arg(current_->description());
    return false;
  }
  logStep("execute", current_);
  if (libraryDead_) {
    emit commandDiscarded(current_);
    return false;
  }
  executing_ = current_;
  start(open_ ? QThread::LowPriority : QThread::HighPriority);
  emit commandStarted(current_);
  return true;
}

void CorvaneThread::run() {
  if (executing_) executing_->execute();
}

void CorvaneThread::commandThreadFinishedSlot() {
  wait();
  executing_ = nullptr;
  if (current_ && finishCurrent()) launchNext();
}

bool CorvaneThread::finishCurrent() {
  CorvaneCommand* done = current_;
  logStep("hasFinished", done);
  emit commandFinished(done);
  try {
    done->finish();
  } catch (const CorvaneCommand::Error& error) {
    libraryDead_ = true;
    emit deadLibrary(done->description(), error.message);
    cancelCommandsSlot();
  }
  if (done->refreshesUndoCounts() && done->model()) {
    // Inline, in this thread, without the queue or its signals: no worker runs now.
    CvCmdNumAvailableUndoRedo counts(done->model());
    if (counts.prepare()) {
      counts.execute();
      counts.finish();
    }
  }
  // `busy` stays set until the command is gone: a submission from any slot above only queues,
  // and watchers of destroyed() find no half-destroyed current command.
  current_ = nullptr;
  delete done;

  // Busy only while the next command follows at once.
  busy_ = !queue_.isEmpty();
  const quint64 taken = taken_;
  emit stateChanged();
  return taken == taken_;  // else a slot submitted and launched the next itself
}

void CorvaneThread::cancelCommand(CorvaneCommand* command) {
  // Only a command held here is asked anything: any other may be half destroyed already (a
  // watcher of its destroyed() asking to cancel it).
  if (!command || (command != current_ && !queue_.contains(command))) return;
  if (!libraryDead_ && (!command->isCancellable() || command->isUncancellable())) return;
  if (command == current_) {
    emit commandCancelling(command);
    cancelling_.store(true);
    logStep("cancelling", command);
  } else {
    queue_.removeOne(command);
    discardCommand(command);
  }
}

void CorvaneThread::discardCommand(CorvaneCommand* command) {
  emit commandDiscarded(command);
  logStep("discarded", command);
  command->discarded();
  delete command;
}

void CorvaneThread::cancelCommandsSlot() {
  if (current_) cancelCommand(current_);
  for (int i = queue_.size() - 1; i >= 0; --i) {
    CorvaneCommand* command = queue_.at(i);
    if (libraryDead_ || (command->isCancellable() && !command->isUncancellable())) {
      queue_.removeAt(i);
      discardCommand(command);
      i = qMin(i, queue_.size());  // a discarded command's watchers may have changed the queue
    }
  }
  emit stateChanged();
}

bool CorvaneThread::canCancel() const {
  if (current_ && !libraryDead_ && (!current_->isCancellable() || current_->isUncancellable()))
    return false;
  if (!queue_.isEmpty()) return true;
  return current_ && !cancelling_.load();
}

void CorvaneThread::setOpen(bool open) {
  open_ = open;
  if (!open && isRunning()) setPriority(QThread::HighPriority);
}

bool CorvaneThread::stopRequested() {
  CorvaneThread* thread = theInstance.load();
  return thread && (thread->cancelling_.load() || thread->closing_.load());
}

int32_t CorvaneThread::progressCallback(uint8_t percent, void* context) {
  CorvaneThread* thread = theInstance.load();
  if (!thread) return 0;
  emit thread->commandProgress(percent, context);
  return thread->cancelling_.load() || thread->closing_.load() ? 2 : 0;
}

int32_t CorvaneThread::progressReportCallback(uint8_t percent, void* context) {
  CorvaneThread* thread = theInstance.load();
  if (!thread) return 0;
  emit thread->commandProgress(percent, context);
  return thread->closing_.load() ? 2 : 0;
}
