#pragma once

// What the document's tests share: a fixture that installs the scripted windows above the
// document and gives every test a fresh document, fresh user colours and an empty settings
// store, and a capture of the log.

#include <gtest/gtest.h>

#include <QColor>
#include <QList>
#include <QMutex>
#include <QtGlobal>
#include <QSettings>
#include <QSize>
#include <QStringList>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "FakeDocumentUiHooks.h"
#include "document/CorvaneThread.h"
#include "document/DocumentKeys.h"
#include "document/GmModel.h"
#include "document/UserColours.h"

// Collects the log lines written while it lives, from any thread (the previous handler is
// restored after). Read the lines once no other thread writes.
class LogCapture {
 public:
  LogCapture() : previous_(qInstallMessageHandler(&LogCapture::record)) { lines().clear(); }
  ~LogCapture() { qInstallMessageHandler(previous_); }
  static QStringList& lines() {
    static QStringList collected;
    return collected;
  }

 private:
  static void record(QtMsgType, const QMessageLogContext&, const QString& text) {
    static QMutex guard;
    QMutexLocker lock(&guard);
    lines() << text;
  }
  QtMessageHandler previous_;
};

// Runs the event loop until `thread` has finished every command it holds; false after a minute
// without getting there.
inline bool waitUntilIdle(CorvaneThread* thread) {
  QElapsedTimer clock;
  clock.start();
  while (thread->isBusy()) {
    QEventLoop loop;
    QObject::connect(thread, &CorvaneThread::queueEmptied, &loop, &QEventLoop::quit);
    QObject::connect(thread, &CorvaneThread::closureComplete, &loop, &QEventLoop::quit);
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    if (clock.elapsed() > 60000) return false;
  }
  return true;
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { resetShared(); }
  void TearDown() override { resetShared(); }

  // The document holds an image of `displaySize` and works at `resolution`.
  static GmModel* useImage(const QSize& displaySize, int resolution) {
    GmModel* model = GmModel::instance();
    model->setResolution(resolution);
    model->setImageSize(displaySize);
    return model;
  }

  // Installed from the fixture's construction to its destruction.
  FakeDocumentUiHooks hooks;

 private:
  static void resetShared() {
    GmModel::destroyInstance();
    UserColours::destroyInstance();
    QSettings(settingsKeys::organisation, settingsKeys::application).clear();
  }
};
