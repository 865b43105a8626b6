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

TEST_F(MainWindowTest, SaveAndApplyNeedsKeepOrDelete) {
  start(TsApp::XmlPipe);
  EXPECT_EQ(GmModel::instance()->segImage(), nullptr) << "a control file hands over no image";
  QAction* apply = window->mainActions().saveAndApply;
  const struct {
    int statuses;
    bool enabled;
  } rows[] = {{0, false},
              {CvStatusBlend, false},
              {CvStatusInPicture | CvStatusBlend, false},
              {CvStatusKeep, true},
              {CvStatusDelete | CvStatusBlend, true}};
  for (const auto& row : rows) {
    window->statusesPresentChangedSlot(CvPixelStatus(row.statuses));
    EXPECT_EQ(apply->isEnabled(), row.enabled) << row.statuses;
  }
}

TEST_F(MainWindowTest, ScreenModesCycleAndComeBackToTheNormalWindow) {
  start();
  QSignalSpy unused(window.data(), &TsMainWindow::preferencesChanged);
  window->showNormal();
  // Beyond the desktop's right and bottom edges (the offscreen screen is 800 x 600).
  const QRect normal(100, 80, 760, 560);
  window->setGeometry(normal);
  ASSERT_FALSE(window->isMaximized());

  window->toggleScreenModeSlot();
  EXPECT_EQ(window->screenMode(), 1);
  EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
  EXPECT_FALSE(window->menuBar()->isHidden());
  for (GmSubWindow* sub : window->subWindows()) EXPECT_TRUE(sub->isFloating());

  window->toggleScreenModeSlot();
  EXPECT_EQ(window->screenMode(), 2);
  EXPECT_FALSE(window->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(window->windowState() & Qt::WindowFullScreen);
  EXPECT_TRUE(window->menuBar()->isHidden());
  // The menus' shortcuts still work without the bar.
  EXPECT_TRUE(window->actions().contains(window->mainActions().exit));

  window->toggleScreenModeSlot();
  EXPECT_EQ(window->screenMode(), 0);
  EXPECT_FALSE(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
  EXPECT_FALSE(window->menuBar()->isHidden());
  for (GmSubWindow* sub : window->subWindows()) EXPECT_FALSE(sub->isFloating());
  const QRect area = window->screen()->availableGeometry();
  ASSERT_TRUE(area.contains(QRect(QPoint(), normal.size())));
  EXPECT_EQ(window->geometry(),
            QRect(QPoint(std::min(normal.left(), area.right() + 1 - normal.width()),
                         std::min(normal.top(), area.bottom() + 1 - normal.height())),
                  normal.size()))
      << "the geometry from before, moved inside the desktop";
  EXPECT_EQ(unused.count(), 0);
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
    QTimer::singleShot(800, [&] { done = true; });
    zarvo_test::waitFor([&] { return done; });
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
  window->homePageSlot();
  window->buyBackgroundsSlot();
  window->facebookCommunitySlot();
  window->helpSlot();
  window->helpSlot();
  ASSERT_EQ(links.opened.size(), 3) << qPrintable(links.opened.join(' '));
  EXPECT_EQ(links.opened.at(0), "http://zarvo.orbeltech.example");
  EXPECT_EQ(links.opened.at(1), app->onlineHelpUrl());
  EXPECT_EQ(logLinesWith("Help is at hand: ").size(), 1) << "logged the first time only";
  EXPECT_EQ(TsMainWindow::distributorsPageUrl(), "http://zarvo.orbeltech.example");
}

// ---- Background picker

class Picker : public ::testing::Test {
 protected:
  // Two swatches in a widget of 62 x 42: cells of 13 pixels, the width's surplus shared out.
  void SetUp() override {
    picker.resize(62, 42);
    picker.addSwatch(new GmColor("red", "Red", 0, Qt::red));
    picker.addSwatch(new GmColor("blue", "Blue", 0, Qt::blue));
  }
  QColor front() const { return picker.brush(0).color(); }
  void click(const QPoint& at, bool twice = false) {
    const QMouseEvent event(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    if (twice)
      picker.doubleClickEvent(&event);
    else
      picker.singleClickEvent(&event);
  }

  FakeDocumentUiHooks hooks;
  BackgroundPicker picker;
};

TEST_F(Picker, SwatchesCascadeFromTheTopLeft) {
  EXPECT_EQ(picker.swatchRect(0), QRect(10, 0, 26, 26));
  EXPECT_EQ(picker.swatchRect(1), QRect(23, 13, 26, 26));
  EXPECT_EQ(picker.brush(1).style(), Qt::SolidPattern);
  EXPECT_EQ(picker.brush(1).color(), QColor(Qt::blue));
}

TEST_F(Picker, ClicksChangeTheColourOrBringTheLastSwatchForward) {
  QSignalSpy changed(&picker, &BackgroundPicker::activeBrushChanged);
  hooks.colourAnswers << QColor(Qt::green);
  click(QPoint(40, 30));  // inside the second swatch: the first one's colour is asked for
  ASSERT_EQ(hooks.colourRequests.size(), 1);
  EXPECT_EQ(hooks.colourRequests.first().first, QColor(Qt::red));
  EXPECT_EQ(front(), QColor(Qt::green));
  click(QPoint(58, 5));  // outside every swatch, right half
  EXPECT_EQ(front(), QColor(Qt::blue));
  click(QPoint(2, 38));  // outside, left half: nothing
  EXPECT_EQ(front(), QColor(Qt::blue));
  click(QPoint(2, 38), true);
  EXPECT_EQ(front(), QColor(Qt::green));
  EXPECT_EQ(changed.count(), 3);
  EXPECT_EQ(hooks.colourRequests.size(), 1);
}

TEST(PickerAlone, OneSwatchStaysAndNoSwatchIsWhite) {
  FakeDocumentUiHooks hooks;
  BackgroundPicker picker;
  EXPECT_EQ(picker.brush(0), QBrush(Qt::white));
  QPixmap weave(4, 4);
  weave.fill(Qt::gray);
  picker.addSwatch(new GmColor("grey", "Grey", 0, Qt::darkGray), weave);
  EXPECT_FALSE(picker.brush(0).texture().isNull());
  QSignalSpy changed(&picker, &BackgroundPicker::activeBrushChanged);
  const QMouseEvent event(QEvent::MouseButtonDblClick, QPoint(1, 1), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
  picker.doubleClickEvent(&event);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(picker.brush(0).color(), QColor(Qt::darkGray));
}

TEST_F(MainWindowTest, TheCanvasBackgroundIsThePickersFrontSwatchOrWhite) {
  start();
  EXPECT_EQ(window->canvasBackgroundBrush(), QBrush(Qt::white));
  BackgroundPicker picker;
  window->setBackgroundPicker(&picker);
  EXPECT_EQ(window->canvasBackgroundBrush(), QBrush(Qt::white)) << "a picker without swatches";
  picker.addSwatch(new GmColor("sand", "Sand", 0, QColor(230, 210, 160)));
  EXPECT_EQ(workspaceHost().canvasBackgroundBrush().color(), QColor(230, 210, 160));
}

}  // namespace
