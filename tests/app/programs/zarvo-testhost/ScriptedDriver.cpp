#include "ScriptedDriver.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <new>
#include <stdexcept>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QApplication>
#include <QStyle>
#include <QMainWindow>

#include "CutoutScript.h"
#include "app/HttpRequest.h"
#include "app/TsApp.h"
#include "app/TsMainWindow.h"
#include "document/CorvaneCommand.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/TsSourceImage.h"

namespace {

bool checkersDone() {
  TsApp* app = TsApp::instance();
  if (!app) return true;
  for (HttpRequest* checker : {app->updateChecker(), app->newsChecker()}) {
    if (checker && checker->isBusy()) return false;
  }
  return true;
}

// The opening's own commands first: until the opening clears its undo stack, the selection it
// made counts as a change, and a close then would ask about saving.
bool engineSettled() {
  const CorvaneThread* thread = CorvaneThread::instance();
  return !thread || !thread->hasWork();
}

void say(const QByteArray& line) {
  std::fputs(line.constData(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// How long "hold" keeps the window open when nobody ends it.
constexpr int kHoldLimitMs = 300000;
// How long "close-at start" waits for the window to go before the loop.
constexpr int kCloseWaitMs = 30000;

}  // namespace

IdleWorker::~IdleWorker() {
  quit();
  wait();
}

void IdleWorker::run() {
  threadId_ = ::syscall(SYS_gettid);
  exec();
}

ScriptedDriver::ScriptedDriver(const QByteArray& name) : name_(name) {
  known_ = name == "startup" || name == "handback" || name == "hold" || name == "fatal" ||
           name == "throw-bad-alloc" || name == "throw-error" || name == "cutout" ||
           name == "close-at";
  poll_.setInterval(10);
  connect(&poll_, &QTimer::timeout, this, &ScriptedDriver::poll);
}

ScriptedDriver::~ScriptedDriver() = default;

int ScriptedDriver::exitCode() const {
  return cutout_ ? cutout_->exitCode() : -1;
}

void ScriptedDriver::mainWindowShown(QMainWindow* window) {
  window_ = window;
  if (TsApp* app = TsApp::instance()) say("mode " + QByteArray::number(app->mode()));
  say(QByteArray("style ") + QApplication::style()->metaObject()->className());
  if (const auto* main = qobject_cast<const TsMainWindow*>(window)) {
    QStringList help;
    for (const QAction* action : main->menus().help->actions())
      help << (action->isSeparator() ? QStringLiteral("-") : action->text());
    say("help " + help.join(QLatin1Char('|')).toUtf8());
  }
  if (const GmModel* model = GmModel::existingInstance()) {
    if (const TsSourceImage* image = model->segImage())
      say("document " + QByteArray::number(image->displayImage().width()) + "x" +
          QByteArray::number(image->displayImage().height()));
  }
  if (name_ == "startup") {
    whenIdle([this] {
      if (window_) window_->close();
    });
  } else if (name_ == "handback") {
    // As "&Save and Apply" closes: the picture goes back whatever was done to it.
    whenIdle([this] {
      if (auto* main = qobject_cast<TsMainWindow*>(window_.data())) main->saveAndApplySlot();
    });
  } else if (name_ == "cutout") {
    cutout_ = std::make_unique<CutoutScript>(qobject_cast<TsMainWindow*>(window), argument_);
    cutout_->start();
  } else if (name_ == "close-at") {
    closeAt(argument_);
  } else if (name_ == "hold") {
    worker_ = std::make_unique<IdleWorker>();
    worker_->start();
    while (worker_->threadId() == 0) QThread::msleep(1);
    say("ready " + QByteArray::number(qlonglong(worker_->threadId())));
    QTimer::singleShot(kHoldLimitMs, window, &QMainWindow::close);
  } else if (name_ == "fatal") {
    whenIdle([] { qFatal("Driver: fatal message"); });
  } else if (name_ == "throw-bad-alloc") {
    whenIdle([] { QTimer::singleShot(0, [] { throw std::bad_alloc(); }); });
  } else if (name_ == "throw-error") {
    whenIdle([] { QTimer::singleShot(0, [] { throw std::runtime_error("Driver: thrown"); }); });
  }
}

void ScriptedDriver::closeAt(const QString& step) {
  if (step == QLatin1String("start")) {
    // As the splash screen's wait for the window: a close arrived meanwhile is handled here,
    // before the loop runs, and the engine's start drains here too.
    QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
    QElapsedTimer waited;
    waited.start();
    while (window_ && window_->isVisible() && waited.elapsed() < kCloseWaitMs)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return;
  }
  // A close arrives as an event: after the command's finishing step.
  connect(CorvaneThread::instance(), &CorvaneThread::commandFinished, this,
          [this, step](CorvaneCommand* command) {
            if (command->description() == step)
              QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
          });
}

void ScriptedDriver::whenIdle(std::function<void()> step) {
  step_ = std::move(step);
  poll_.start();
}

void ScriptedDriver::poll() {
  if (!checkersDone() || !engineSettled()) return;
  poll_.stop();
  idleConnection_ = connect(QAbstractEventDispatcher::instance(),
                            &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                              disconnect(idleConnection_);
                              std::function<void()> step = std::move(step_);
                              if (step) step();
                            });
}
