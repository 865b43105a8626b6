// What the window offers from every tab and from the start: the select tool's commands in the
// window, the keys of Undo and Redo on the composition tabs, the status bar's zoom slider right
// after a photo opens, and the dock's width across hiding and showing its windows.

#include <gtest/gtest.h>

#include <cmath>

#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include "support/MainWindowFixture.h"
#include "composition/CompositionTools.h"
#include "composition/CutoutController.h"
#include "composition/CutoutInstanceItem.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoWidget.h"
#include "workspace/FakeDock.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/ProgressWindow.h"
#include "workspace/TipWindow.h"
#include "workspace/ZoomViewOptionsWidget.h"

namespace {

class MainWindowReach : public MainWindowTest {};

// ---- Undo from every tab

class UndoFromTab : public MainWindowReach, public ::testing::WithParamInterface<int> {};

TEST_P(UndoFromTab, CtrlZAndCtrlYShowTheCutoutTabWithTheStrokeUndoneAndRedone) {
  start();
  open(photo());
  const uint32_t undos = GmModel::instance()->numUndos();
  paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
  ASSERT_EQ(GmModel::instance()->numUndos(), undos + 1);
  ASSERT_FALSE(window->mainActions().redo->isEnabled());
  activate();
  showTab(GetParam());
  QTest::keySequence(window, QKeySequence("Ctrl+Z"));
  waitIdle();
  EXPECT_EQ(window->imageView()->currentViewTab(), int(ImageView::DeleteBackground));
  EXPECT_EQ(GmModel::instance()->numUndos(), undos) << "the stroke is undone";
  ASSERT_TRUE(window->mainActions().redo->isEnabled()) << "and can be redone";

  // Ctrl+Y from the same tab brings it back.
  showTab(GetParam());
  QTest::keySequence(window, QKeySequence("Ctrl+Y"));
  waitIdle();
  EXPECT_EQ(window->imageView()->currentViewTab(), int(ImageView::DeleteBackground));
  EXPECT_EQ(GmModel::instance()->numUndos(), undos + 1) << "the stroke is redone";
}

INSTANTIATE_TEST_SUITE_P(CompositionTabs, UndoFromTab,
                         ::testing::Values(int(ImageView::ComposePicture),
                                           int(ImageView::AddEffects), int(ImageView::FinalImage)));

// ---- The zoom slider from the start

TEST_F(MainWindowReach, TheZoomSliderFollowsAndZoomsRightAfterAPhotoOpens) {
  start();
  open(photo(QStringLiteral("wide.png"), QSize(1600, 1200)));
  ZoomViewOptionsWidget* options = window->zoomOptions();
  QSlider* slider = options->slider();
  const double zoom = window->imageView()->zoom();
  ASSERT_LT(zoom, 0.5) << "a photo larger than the view is shown fitted";
  EXPECT_EQ(options->mode(), ZoomViewOptionsWidget::EditMode);
  EXPECT_EQ(slider->value(), NavigatorWindow::sliderForPercent(zoom * 100));
  EXPECT_LT(slider->value(), 0);

  slider->setValue(10);  // as a drag ends there
  // The navigator's percent box keeps two decimals.
  EXPECT_NEAR(window->imageView()->zoom(), std::pow(4.0, 10 / 25.0), 1e-4);
  EXPECT_EQ(slider->value(), 10);
}

// ---- The dock's width

struct DockRow {
  const char* name;
  int tab;
  // How the windows are toggled: their keys, or their entries in the Window menu.
  bool byKeys;
  // A width the user dragged the dock to first; 0 keeps the one it starts with.
  int draggedWidth;
};

void PrintTo(const DockRow& row, std::ostream* out) {
  *out << row.name;
}

class DockWidth : public MainWindowReach, public ::testing::WithParamInterface<DockRow> {};

TEST_P(DockWidth, IsTheSameAfterItsWindowsHideAndShow) {
  const DockRow& row = GetParam();
  start();
  ASSERT_TRUE(zarvo_test::waitFor([this] { return window->progressWindow()->isVisible(); }));
  activate();
  showTab(row.tab);
  FakeDock* dock = window->dock();
  auto* splitter = qobject_cast<QSplitter*>(window->centralWidget());
  ASSERT_NE(splitter, nullptr);
  if (row.draggedWidth > 0) {
    // As a drag of the handle leaves the panes.
    const int both = splitter->sizes().at(0) + splitter->sizes().at(1);
    splitter->setSizes({both - row.draggedWidth, row.draggedWidth});
    ASSERT_EQ(dock->width(), row.draggedWidth);
  }
  // The windows the tab shows; hiding all of them hides the dock.
  QList<GmSubWindow*> shown;
  for (GmSubWindow* sub : window->subWindows())
    if (sub->isVisible()) shown << sub;
  ASSERT_FALSE(shown.isEmpty());
  QApplication::processEvents();
  const int width = dock->width();
  ASSERT_GT(width, 0);

  const auto toggle = [&](GmSubWindow* sub) {
    if (row.byKeys) {
      QTest::keySequence(window, sub->toggleAction()->shortcut());
    } else {
      ASSERT_TRUE(window->menus().window->actions().contains(sub->toggleAction()));
      sub->toggleAction()->trigger();
    }
  };
  for (GmSubWindow* sub : shown) toggle(sub);
  // Hidden, and laid out so: the view takes the whole width.
  ASSERT_TRUE(zarvo_test::waitFor([dock] { return dock->isHidden() && dock->width() == 0; }));
  for (GmSubWindow* sub : shown) {
    toggle(sub);
    ASSERT_TRUE(sub->isVisible()) << qPrintable(sub->objectName());
    // Each layout request on the way must leave the width alone.
    QApplication::processEvents();
    EXPECT_EQ(dock->width(), width) << "after showing " << qPrintable(sub->objectName());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, DockWidth,
    ::testing::Values(DockRow{"tipByCtrlTOnTheCompositionTab", ImageView::ComposePicture, true, 0},
                      DockRow{"viewerAndTipByKeysOnTheCutoutTab", ImageView::DeleteBackground, true,
                              0},
                      DockRow{"bothFromTheWindowMenu", ImageView::DeleteBackground, false, 0},
                      DockRow{"aWidthTheUserDragged", ImageView::ComposePicture, true, 280}),
    [](const ::testing::TestParamInfo<DockRow>& info) { return std::string(info.param.name); });

// ---- The select tool's commands in the window

class SelectInWindow : public MainWindowReach {
 protected:
  // The cut-out of the drawn disc placed on the canvas: one instance.
  void placeCutout() {
    open(photo());
    paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
    paintStroke(CvStatusDelete, {{3, 3}, {156, 3}, {156, 116}, {3, 116}, {3, 3}});
    thread()->submit(new CvCmdGenerateMask(GmModel::instance()));
    waitIdle();
    ASSERT_TRUE(zarvo_test::waitFor([] { return instances().size() == 1; }));
  }
  static QList<CutoutInstanceItem*> instances() {
    const CutoutController* controller = CutoutController::instance();
    return controller ? controller->instances() : QList<CutoutInstanceItem*>();
  }
  QToolButton* pageButton(const QString& text) const {
    for (QToolButton* button : window->toolOptions()->findChildren<QToolButton*>())
      if (button->isVisible() && button->text() == text) return button;
    return nullptr;
  }
};

TEST_F(SelectInWindow, ThePageButtonsAndTheDeleteKeyWorkOnTheComposeTabOnly) {
  start();
  placeCutout();
  activate();
  showTab(ImageView::ComposePicture);
  ZarvoSelectTool* select = window->compositionTools()->selectTool();
  select->installSlot();
  ASSERT_EQ(GmTool::current(), select);

  // The options bar shows the six as buttons.
  for (const char* text :
       {"Bring to front", "Move forward", "Move backward", "Move to back", "Clone", "Delete"})
    EXPECT_NE(pageButton(text), nullptr) << text;
  QTest::mouseClick(pageButton("Clone"), Qt::LeftButton);
  ASSERT_EQ(instances().size(), 2);

  // Backspace keeps its cut-out meaning; Delete removes the selected instance.
  QTest::keyClick(window, Qt::Key_Backspace);
  EXPECT_EQ(instances().size(), 2);
  QTest::keyClick(window, Qt::Key_Delete);
  ASSERT_EQ(instances().size(), 1);

  // On "3. Add Effects" another tool is current: the key is no longer the select tool's.
  instances().first()->setSelected(true);
  showTab(ImageView::AddEffects);
  ASSERT_NE(GmTool::current(), select);
  QTest::keyClick(window, Qt::Key_Delete);
  EXPECT_EQ(instances().size(), 1);
}

}  // namespace
