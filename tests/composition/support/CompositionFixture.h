#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "WaitFor.h"
#include "composition/CompositionHost.h"
#include "composition/ProcessorFinalImage.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoOutputHandler.h"

namespace composition_test {

// Records what the composition asks of the windows; printing goes to a PDF file.
class RecordingHost : public CompositionHost {
 public:
  struct Message {
    QMessageBox::Icon icon;
    QString title;
    QString text;
  };
  std::vector<Message> messages;
  QString printFile;  // empty: printing is cancelled
  int printersPrepared = 0;
  QString imageFileAnswer;  // what the file and library choosers answer (empty: cancelled)
  QString libraryAnswer;
  QStringList imageFileFolders;  // the folder each file chooser started in
  QStringList libraryInitialPaths;

  void message(QMessageBox::Icon icon, const QString& title, const QString& text) override {
    messages.push_back({icon, title, text});
  }
  bool confirm(const QString&, const QString&) override { return false; }
  QString openImageFile(QWidget*, const QString&, const QString& folder, const QString&) override {
    imageFileFolders << folder;
    return imageFileAnswer;
  }
  QString libraryImage(const QString& initialPath) override {
    libraryInitialPaths << initialPath;
    return libraryAnswer;
  }
  bool preparePrinter(QPrinter& printer) override {
    ++printersPrepared;
    if (printFile.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printFile);
    return true;
  }
  bool saidFailedToSave() const {
    for (const Message& m : messages)
      if (m.title == "Failed to save") return true;
    return false;
  }
};

// Each test gets a fresh hub and output handler, the recording host and a short rebuild delay.
class HubFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    previousHost = setCompositionHost(&host);
    hub()->setRebuildDelayForTesting(20);
  }
  void TearDown() override {
    ZarvoObject::destroyInstance();
    setCompositionHost(previousHost);
  }

  static ZarvoObject* hub() { return ZarvoObject::instance(); }

  // Waits for the pending rebuild to be started, run and delivered.
  bool settle() {
    const bool ok = zarvo_test::waitFor(
        [] { return !hub()->rebuildPending() && !hub()->processor()->isRunning(); });
    QCoreApplication::processEvents();
    return ok;
  }

  QString path(const QString& name) const { return folder.filePath(name); }

  RecordingHost host;
  CompositionHost* previousHost = nullptr;
  QTemporaryDir folder;
};

inline QImage seededImage(int width, int height, std::uint32_t seed, bool opaque = true) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y,
                     qRgba(byte(random), byte(random), byte(random), opaque ? 255 : byte(random)));
  return image;
}

// A disc of colour on a transparent surround.
inline QImage cutoutImage(int size, QRgb colour) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  const double r = size / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if ((x + 0.5 - r) * (x + 0.5 - r) + (y + 0.5 - r) * (y + 0.5 - r) < (r - 1) * (r - 1))
        image.setPixel(x, y, colour);
  return image;
}

inline QString findTool(const char* name) {
  return QStandardPaths::findExecutable(name);
}

// Runs a tool and answers its standard output; fails the test when it cannot run.
inline QByteArray runTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForFinished(zarvo_test::childLimitMs())) << program.toStdString();
  EXPECT_EQ(process.exitCode(), 0)
      << program.toStdString() << ": " << process.readAllStandardError().toStdString();
  return process.readAllStandardOutput();
}

}  // namespace composition_test
