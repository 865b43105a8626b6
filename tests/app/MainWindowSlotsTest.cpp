// The main window's slots: clean-up strength, "&Save and Apply" enabling, screen modes, the
// recent files, view-tab changes, received images, links, and the background picker.

#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QUrl>

#include "FakeDocumentUiHooks.h"
#include "app/BackgroundPicker.h"
#include "document/CvCmdDespeckleSelection.h"
#include "document/GmColor.h"
#include "support/AppTestSupport.h"
#include "support/BrowserSpy.h"
#include "support/MainWindowFixture.h"
#include "workspace/GmSubWindow.h"
#include "workspace/ViewOptions.h"
#include "workspace/WorkspaceHost.h"

namespace {

TEST(DespeckleStrength, TheSmallerSideOverFiftyWithinOneToTwenty) {
  struct Row {
    int width, height, strength;
  };
  for (const Row& row : {Row{40, 3000, 1}, Row{1000, 800, 16}, Row{5000, 4000, 20}}) {
    setDespeckleStrength(std::min(row.width, row.height) / 50);
    EXPECT_EQ(despeckleStrength(), row.strength) << row.width << " x " << row.height;
  }
  setDespeckleStrength(3);
}

TEST_F(MainWindowTest, ScreenModesCycleAndComeBackToTheNormalWindow) {
  start();
  window->showNormal();
  // Beyond the desktop's right and bottom edges (the offscreen screen is 800 x 600).
  const QRect normal(100, 80, 760, 560);
  window->setGeometry(normal);
  const Qt::WindowStates framing = Qt::WindowMaximized | Qt::WindowFullScreen;
  const struct {
    int mode;
    bool frameless, fullScreen, menuBar, floating;
  } cycle[] = {
      {1, true, false, true, true}, {2, false, true, false, true}, {0, false, false, true, false}};
  for (const auto& step : cycle) {
    window->toggleScreenModeSlot();
    EXPECT_EQ(window->screenMode(), step.mode);
    EXPECT_EQ(bool(window->windowFlags() & Qt::FramelessWindowHint), step.frameless);
    EXPECT_EQ(window->windowState() & framing,
              step.fullScreen ? Qt::WindowStates(Qt::WindowFullScreen) : Qt::WindowStates());
    EXPECT_EQ(!window->menuBar()->isHidden(), step.menuBar);
    for (GmSubWindow* sub : window->subWindows()) EXPECT_EQ(sub->isFloating(), step.floating);
  }
  const QRect area = window->screen()->availableGeometry();
  ASSERT_TRUE(area.contains(QRect(QPoint(), normal.size())));
  EXPECT_EQ(window->geometry(),
            QRect(QPoint(std::min(normal.left(), area.right() + 1 - normal.width()),
                         std::min(normal.top(), area.bottom() + 1 - normal.height())),
                  normal.size()))
      << "the geometry from before, moved inside the desktop";
}

TEST_F(MainWindowTest, TheRecentFilesMenuOpensItsEntries) {
  start();
  QMenu* recent = window->menus().recentFiles;
  EXPECT_FALSE(recent->isEnabled()) << "nothing opened yet";
  const QString first = photo("first.png"), second = photo("second.png");
  window->recentFilesChanged({first, second});
  EXPECT_TRUE(recent->isEnabled());
  ASSERT_EQ(recent->actions().size(), 2);
  EXPECT_EQ(recent->actions().at(1)->text(), second);
  recent->actions().at(1)->trigger();
  ASSERT_TRUE(zarvo_test::waitFor([] { return GmModel::instance()->segImage() != nullptr; }));
  EXPECT_EQ(GmModel::instance()->segImage()->fileName(), second);
  waitIdle();
  window->recentFilesChanged({});
  EXPECT_TRUE(recent->actions().isEmpty());
  EXPECT_FALSE(recent->isEnabled());
}

TEST_F(MainWindowTest, AQuickTabSwitchEndsOnTheTabShown) {
  start();
  // A second page, as the composition's tabs will be.
  window->imageView()->addViewTab(new QWidget, "2. Compose Picture", QString(), QString(),
                                  ImageView::ComposePicture);
  QTabBar* tabs = window->imageView()->tabBar();
  ViewOptions* options = window->viewOptions();
  const auto settle = [] {
    bool done = false;
    QObject timer;  // a timer that outlived the wait would write into a frame left
    QTimer::singleShot(800, &timer, [&] { done = true; });
    ASSERT_TRUE(zarvo_test::waitFor([&] { return done; }));
  };
  for (int index : {1, 0, 1, 0}) tabs->setCurrentIndex(index);
  settle();
  EXPECT_TRUE(options->isEnabled());
  EXPECT_TRUE(window->menus().brush->menuAction()->isVisible());
  for (int index : {1, 0, 1}) tabs->setCurrentIndex(index);
  settle();
  EXPECT_FALSE(options->isEnabled());
  EXPECT_FALSE(window->menus().brush->menuAction()->isVisible());
}

TEST_F(MainWindowTest, AHostedRunRefusesAReceivedImage) {
  for (int mode : {TsApp::SharedMemory, TsApp::Normal}) {
    SCOPED_TRACE(mode);
    start(mode);
    const QImage picture = syntheticPhoto(64, 48);
    const int refusals = logLinesWith("A received image was not opened").size();
    window->receivedImageSlot(NamedImage(picture, QUrl("http://example.test/dropped.png")));
    const bool taken = GmModel::instance()->segImage() != nullptr;
    EXPECT_EQ(taken, mode == TsApp::Normal);
    EXPECT_EQ(logLinesWith("A received image was not opened").size() - refusals,
              mode == TsApp::Normal ? 0 : 1);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    waitIdle();
  }
}

TEST_F(MainWindowTest, LinksOpenTheirPagesAndEmptyOnesNothing) {
  start();
  BrowserSpy links;
  const int helpLines = logLinesWith("Help is at hand: ").size();  // earlier windows' lines
  window->homePageSlot();
  window->buyBackgroundsSlot();
  window->facebookCommunitySlot();
  window->helpSlot();
  window->helpSlot();
  ASSERT_EQ(links.opened.size(), 3) << qPrintable(links.opened.join(' '));
  EXPECT_EQ(links.opened.at(0), "http://zarvo.orbeltech.example");
  EXPECT_EQ(links.opened.at(1), app->onlineHelpUrl());
  EXPECT_EQ(logLinesWith("Help is at hand: ").size() - helpLines, 1)
      << "logged the first time only";
  EXPECT_EQ(TsMainWindow::distributorsPageUrl(), "http://zarvo.orbeltech.example");
}

// ---- Background picker

TEST(Picker, SwatchesCascadeAndClicksChangeColourOrOrder) {
  FakeDocumentUiHooks hooks;
  BackgroundPicker picker;
  EXPECT_EQ(picker.brush(0), QBrush(Qt::white)) << "no swatch: white, as with no picker";
  // Two swatches in 62 x 42: cells of 13 pixels, the width's surplus shared out.
  picker.resize(62, 42);
  picker.addSwatch(new GmColor("red", "Red", 0, Qt::red));
  QPixmap weave(4, 4);
  weave.fill(Qt::gray);
  picker.addSwatch(new GmColor("blue", "Blue", 0, Qt::blue), weave);
  EXPECT_EQ(picker.swatchRect(0), QRect(10, 0, 26, 26));
  EXPECT_EQ(picker.swatchRect(1), QRect(23, 13, 26, 26));
  EXPECT_FALSE(picker.brush(1).texture().isNull());

  QSignalSpy changed(&picker, &BackgroundPicker::activeBrushChanged);
  hooks.colourAnswers << QColor(Qt::green);
  const auto click = [&](const QPoint& at, bool twice) {
    const QMouseEvent event(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    twice ? picker.doubleClickEvent(&event) : picker.singleClickEvent(&event);
    return picker.brush(0).color();
  };
  // Inside the second swatch: the first (active) one's colour is asked for.
  EXPECT_EQ(click(QPoint(40, 30), false), QColor(Qt::green));
  ASSERT_EQ(hooks.colourRequests.size(), 1);
  EXPECT_EQ(hooks.colourRequests.first().first, QColor(Qt::red));
  EXPECT_EQ(click(QPoint(58, 5), false), QColor(Qt::blue)) << "free right half: the last forward";
  EXPECT_EQ(click(QPoint(2, 38), false), QColor(Qt::blue)) << "free left half: nothing";
  EXPECT_EQ(click(QPoint(2, 38), true), QColor(Qt::green)) << "a double click anywhere";
  EXPECT_EQ(changed.count(), 3);
}

TEST_F(MainWindowTest, TheCanvasBackgroundIsThePickersFrontSwatchOrWhite) {
  start();
  EXPECT_EQ(window->canvasBackgroundBrush(), QBrush(Qt::white));
  BackgroundPicker picker;
  window->setBackgroundPicker(&picker);
  EXPECT_EQ(window->canvasBackgroundBrush(), QBrush(Qt::white)) << "a picker without swatches";
  picker.addSwatch(new GmColor("sand", "Sand", 0, QColor(230, 210, 160)));
  EXPECT_EQ(workspaceHost().canvasBackgroundBrush().color(), QColor(230, 210, 160));
  // One swatch: a double click keeps it in front and still tells.
  QSignalSpy changed(&picker, &BackgroundPicker::activeBrushChanged);
  const QMouseEvent twice(QEvent::MouseButtonDblClick, QPoint(1, 1), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
  picker.doubleClickEvent(&twice);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(window->canvasBackgroundBrush().color(), QColor(230, 210, 160));
}

}  // namespace
