#pragma once

#include <atomic>
#include <memory>

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "app/AppDriver.h"

class CutoutScript;

class QMainWindow;

// A worker thread that only waits, so a test has a thread other than the main one to signal.
class IdleWorker : public QThread {
 public:
  ~IdleWorker() override;
  // The worker's kernel thread id once it runs, else 0.
  long threadId() const { return threadId_.load(); }

 protected:
  void run() override;

 private:
  std::atomic<long> threadId_{0};
};

// The test host's drivers (see main.cpp).
class ScriptedDriver : public QObject, public AppDriver {
  Q_OBJECT

 public:
  explicit ScriptedDriver(const QByteArray& name);
  ~ScriptedDriver() override;

  bool isKnown() const { return known_; }
  // The driver's own argument: the "cutout" script's folder of results, the step of "close-at".
  void setArgument(const QString& argument) { argument_ = argument; }
  // -1 unless a script gave up (then the program's exit code).
  int exitCode() const;
  void mainWindowShown(QMainWindow* window) override;

 private:
  // Calls `step` the first time the loop is about to wait once the online checkers are done.
  void whenIdle(std::function<void()> step);
  void poll();
  void closeAt(const QString& step);

  QByteArray name_;
  bool known_;
  QPointer<QMainWindow> window_;
  QTimer poll_;
  std::function<void()> step_;
  QMetaObject::Connection idleConnection_;
  std::unique_ptr<IdleWorker> worker_;
  QString argument_;
  std::unique_ptr<CutoutScript> cutout_;
};
