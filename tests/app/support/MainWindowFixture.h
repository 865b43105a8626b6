#pragma once

// What the main window's tests share: the application object of a start-up mode (built without
// its start-up), the shell's document hooks, recording dialogs, a fresh settings store and the
// real TsMainWindow with its real engine thread; photos drawn into a folder of the test's own.

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "EngineSessionSupport.h"
#include "FakeAppDialogs.h"
#include "WaitFor.h"
#include "app/AppDocumentHooks.h"
#include "app/FileHandler.h"
#include "app/TsAppStandAlone.h"
#include "app/TsMainWindow.h"
#include "composition/ZarvoObject.h"
#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdGenerateMask.h"
#include "document/CvCmdSelect.h"
#include "document/GmModel.h"
#include "document/SegmentationStuff.h"
#include "document/UserColours.h"
#include "workspace/ImageView.h"

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { QSettings().clear(); }
  void TearDown() override {
    closeWindow();
    corvaneEntryPoints() = CorvaneEntryPoints{};
    GmModel::destroyInstance();
    ZarvoObject::destroyInstance();
    UserColours::destroyInstance();
    if (hooksInstalled_) setDocumentUiHooks(previousHooks_);
    app.reset();
    QSettings().clear();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "a wait cursor left behind";
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }

  // The application object in `mode` and a window over it.
  TsMainWindow* start(int mode = TsApp::Normal) {
    closeWindow();
    app.reset();
    app = std::make_unique<TsAppStandAlone>(mode);
    if (!hooksInstalled_) {
      previousHooks_ = setDocumentUiHooks(&hooks);
      hooksInstalled_ = true;
    }
    window = new TsMainWindow;
    return window;
  }

  CorvaneThread* thread() const { return window ? window->engineThread() : nullptr; }
  void waitIdle() {
    ASSERT_TRUE(zarvo_test::waitFor([this] {
      const CorvaneThread* t = thread();
      return !t || (t->isOpen() && !t->hasWork());
    }));
  }

  // The synthetic photo of `size`, written as `name`.
  QString photo(const QString& name = QStringLiteral("disc.png"), QSize size = QSize(160, 120)) {
    const QString path = folder.filePath(name);
    EXPECT_TRUE(syntheticPhoto(size.width(), size.height()).save(path));
    return path;
  }
  // Opens `path` through the file handler and waits for its analysis.
  void open(const QString& path) {
    ASSERT_TRUE(window->fileHandler()->loadImage(path));
    waitIdle();
    SegmentationStuff* segmentation = GmModel::instance()->segmentation();
    if (!segmentation->hasAnalysis()) {
      segmentation->findEdges();
      waitIdle();
    }
    ASSERT_TRUE(segmentation->hasAnalysis());
  }

  // A stroke of status `mode` through `points` (image coordinates), as a brush submits it; the
  // document then counts as changed.
  void paintStroke(int mode, const QVector<QPointF>& points) {
    auto* brushing = new Brushing(Qt::red);
    brushing->beginStroke(points.first());
    for (int i = 1; i < points.size(); ++i) brushing->continueStroke(points.at(i));
    thread()->submit(
        new CvCmdSelect(GmModel::instance(), brushing, CvStatusClassMask, mode, false, false));
    waitIdle();
  }

  // Closes without a question and waits until the window is gone; a dead engine is finished
  // directly, as the queue no longer runs.
  void closeWindow() {
    if (!window) return;
    if (CorvaneThread* t = thread()) {
      GmModel* model = GmModel::instance();
      if (t->isLibraryDead() && model->engine()) {
        CvFinish(model->engine());
        model->forgetEngineHandles();
        model->setEngine(nullptr);
      }
    }
    window->setPromptOnClose(0);
    window->close();
    EXPECT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  }

  // Whether a close would ask the unsaved-changes question (answered Cancel, so nothing ends).
  bool asks() {
    dialogs.shown.clear();
    dialogs.answers = {AppDialogs::Answer{QMessageBox::Cancel, -1}};
    return !window->querySaveChanges("Unsaved changes") && !dialogs.shown.isEmpty();
  }

  QString statusMessage() const { return window->statusBar()->currentMessage(); }

  // Shows the tab of flag `tab` as a click on the tab bar would.
  void showTab(int tab) {
    window->imageView()->ensureViewTab(tab, tab);
    ASSERT_EQ(window->imageView()->currentViewTab(), tab);
  }
  // Makes the window the active one, so its shortcuts are dispatched.
  void activate() {
    window->activateWindow();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }

  std::unique_ptr<TsAppStandAlone> app;
  AppDocumentHooks hooks;
  FakeAppDialogs dialogs;
  QPointer<TsMainWindow> window;
  QTemporaryDir folder;

 private:
  DocumentUiHooks* previousHooks_ = nullptr;
  bool hooksInstalled_ = false;
};
