#pragma once

#include <atomic>
#include <functional>

#include <QCoreApplication>
#include <QMutex>
#include <QSemaphore>
#include <QStringList>
#include <QThread>

#include "document/CorvaneCommand.h"
#include "document/CorvaneThread.h"

// Lines written from both threads, in the order they happen.
class Journal {
 public:
  void add(const QString& line) {
    QMutexLocker lock(&guard_);
    lines_ << line;
  }
  QStringList lines() const {
    QMutexLocker lock(&guard_);
    return lines_;
  }
  void clear() {
    QMutexLocker lock(&guard_);
    lines_.clear();
  }

 private:
  mutable QMutex guard_;
  QStringList lines_;
};

// A command for the queue's tests: writes "<name> prepare|execute|finish|discarded" to the
// journal; its prepare answer, flags and finish are scripted. A blocking one waits in execute
// until released, reporting progress every millisecond, and returns early when the report
// answers 2 (what it saw is kept in `stopSeen`).
class ScriptedCommand : public CorvaneCommand {
 public:
  ScriptedCommand(const QString& name, Journal* journal, GmModel* model = nullptr)
      : CorvaneCommand(model, name), journal_(journal) {}

  bool prepare() override {
    journal_->add(description() + " prepare");
    return prepareAnswer;
  }
  void execute() override {
    executedOffGuiThread = QThread::currentThread() != QCoreApplication::instance()->thread();
    journal_->add(description() + " execute");
    if (!blocking) return;
    while (!release.tryAcquire(1, 1)) {
      const int answer = CorvaneThread::progressCallback(50, nullptr);
      if (answer == 2) {
        stopSeen = answer;
        return;
      }
    }
  }
  void finish() override {
    journal_->add(description() + " finish");
    if (onFinish) onFinish();
  }
  void discarded() override { journal_->add(description() + " discarded"); }
  bool isCancellable() const override { return cancellable; }
  bool counted() const override { return countedFlag; }
  bool refreshesUndoCounts() const override { return refreshes; }

  bool prepareAnswer = true;
  bool blocking = false;
  bool cancellable = true;
  bool countedFlag = true;
  bool refreshes = false;
  std::function<void()> onFinish;
  QSemaphore release;
  std::atomic<int> stopSeen{0};
  std::atomic<bool> executedOffGuiThread{false};

 private:
  Journal* journal_;
};
