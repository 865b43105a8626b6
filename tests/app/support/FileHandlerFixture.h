#pragma once

// What the file handler's tests share: a recording window, the shell's document hooks and
// dialogs, a real engine thread, and photos written to a folder of the test's own.

#include <gtest/gtest.h>

#include <memory>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPair>
#include <QSettings>
#include <QTemporaryDir>

#include "DocumentTestSupport.h"
#include "FakeAppDialogs.h"
#include "app/AppDocumentHooks.h"
#include "app/FileHandler.h"
#include "app/FileHandlerHost.h"
#include "composition/ZarvoObject.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"

// The main window as the file handler sees it, recording each call.
class FakeFileHost : public FileHandlerHost {
 public:
  bool askUnsavedChanges(const QString& title) override {
    questions << title;
    return answer;
  }
  void showStatusMessage(const QString& text, int timeoutMs) override {
    statusMessages << qMakePair(text, timeoutMs);
  }
  void raiseAndActivate() override { ++raised; }
  QWidget* dialogParent() override { return nullptr; }
  void ensureViewTab(int tabMask, int tab) override { viewTabs << qMakePair(tabMask, tab); }

  bool answer = true;
  QStringList questions;
  QList<QPair<QString, int>> statusMessages;
  int raised = 0;
  QList<QPair<int, int>> viewTabs;
};

class FileHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHooks_ = setDocumentUiHooks(&hooks);
    QSettings().clear();
    thread = std::make_unique<CorvaneThread>();
    handler = std::make_unique<FileHandler>(&host);
  }
  void TearDown() override {
    handler.reset();
    GmModel::destroyInstance();
    waitIdle();
    thread.reset();
    ZarvoObject::destroyInstance();
    setDocumentUiHooks(previousHooks_);
    QSettings().clear();
  }

  void waitIdle() { ASSERT_TRUE(waitUntilIdle(thread.get())) << "the queue never ran empty"; }
  static GmModel* model() { return GmModel::instance(); }
  QString path(const QString& name) const { return folder.filePath(name); }

  // A photo of `size` with a colour gradient, written as `name` (format from the suffix).
  QString writePhoto(const QString& name, QSize size = QSize(48, 32)) const {
    QImage photo(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x)
        photo.setPixel(x, y, qRgb(x * 5 % 256, y * 7 % 256, (x + y) * 3 % 256));
    EXPECT_TRUE(photo.save(path(name)));
    return path(name);
  }
  // Opens `name` through the handler and waits for its session.
  void open(const QString& fileName) {
    ASSERT_TRUE(handler->loadImage(fileName));
    waitIdle();
  }

  AppDocumentHooks hooks;
  FakeAppDialogs dialogs;
  FakeFileHost host;
  QTemporaryDir folder;
  std::unique_ptr<CorvaneThread> thread;
  std::unique_ptr<FileHandler> handler;

 private:
  DocumentUiHooks* previousHooks_ = nullptr;
};

// `image` as a JPEG whose Exif segment gives `orientation`.
inline QByteArray jpegWithOrientation(const QImage& image, int orientation) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 95);
  // Big-endian TIFF: one directory of one entry, tag 0x0112 (SHORT, count 1), no next one.
  QByteArray tiff("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18);
  tiff += char(0);
  tiff += char(orientation);
  tiff += QByteArray(6, '\0');
  const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
  const int length = body.size() + 2;
  const QByteArray segment = QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length) + body;
  return jpeg.left(2) + segment + jpeg.mid(2);
}
