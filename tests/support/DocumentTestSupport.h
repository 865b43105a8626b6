#pragma once

// What the document's tests share: a fixture that installs the scripted windows above the
// document and gives every test a fresh document, fresh user colours and an empty settings
// store, and a capture of the log.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <QColor>
#include <QList>
#include <QMutex>
#include <QtGlobal>
#include <QSettings>
#include <QSize>
#include <QStringList>
#include <QUrl>

#include "FakeDocumentUiHooks.h"
#include "WaitFor.h"
#include "document/AutoCut.h"
#include "document/CorvaneThread.h"
#include "document/DocumentKeys.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/TsSourceImage.h"
#include "document/UserColours.h"
#include "kestrum/qt/NamedImage.h"

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

// Serves events until `thread` has finished every command it holds; false after a minute
// without getting there.
inline bool waitUntilIdle(CorvaneThread* thread) {
  return zarvo_test::waitFor([thread] { return !thread->isBusy(); });
}

// A status image laid out as the engine lays its own (rows padded to 4 bytes), `width` x
// `height` filled with `fill`.
struct StatusBytes {
  StatusBytes(int width, int height, uint8_t fill)
      : bytes(size_t((width + 3) / 4 * 4) * height, fill),
        image{uint32_t(width), uint32_t(height), uint32_t((width + 3) / 4 * 4), CvKindStatus,
              bytes.data()} {}
  uint8_t& at(int x, int y) { return bytes[size_t(y) * image.stride + size_t(x)]; }
  std::vector<uint8_t> bytes;
  CvImage image;
};

// Keeps the document from making cut-outs by itself: tests of single commands count and order
// what they queue.
inline void stopAutoCut(GmModel* model) {
  QObject::disconnect(model->statusArray(), &GmStatusArray::statusChanged, model->autoCut(),
                      &AutoCut::cutoutNeededSlot);
  QObject::disconnect(model, &GmModel::imageBlendRatioChanged, model->autoCut(),
                      &AutoCut::cutoutNeededSlot);
}

// A grey picture of `size`, received as if dropped.
inline TsSourceImage* greyImage(const QSize& size) {
  QImage picture(size, QImage::Format_ARGB32);
  picture.fill(qRgb(128, 128, 128));
  return new TsSourceImage(NamedImage(picture, QUrl(QStringLiteral("file:///grey.png"))));
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { resetShared(); }
  void TearDown() override { resetShared(); }

  // The document holds a grey image of `displaySize` (any it held is finished first) and works
  // at `resolution`. Where a command thread exists, the session has opened when this returns,
  // and no cut-out is made by itself.
  static GmModel* useImage(const QSize& displaySize, int resolution) {
    GmModel* model = GmModel::instance();
    CorvaneThread* thread = CorvaneThread::instance();
    if (model->segImage()) {
      model->finish();
      if (thread) {
        EXPECT_TRUE(waitUntilIdle(thread));
      }
    }
    model->setResolution(resolution);
    EXPECT_TRUE(model->setSourceImage(greyImage(displaySize), nullptr, GmSession::KeepSettings));
    if (thread) {
      EXPECT_TRUE(waitUntilIdle(thread));
    }
    stopAutoCut(model);
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
