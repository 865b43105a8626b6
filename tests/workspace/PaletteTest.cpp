// The tool palette's per-tab memory and layout, its button with a second action, its dock's
// state, and the options panel.

#include <QAction>
#include <QDesktopServices>
#include <QUrl>
#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QWidgetAction>

#include "UrlCatcher.h"
#include "WorkspaceTestSupport.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/ToolPalette.h"
#include "workspace/ToolPaletteButton.h"

namespace {

class PaletteTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    panel = keep(new ToolOptions);
    noTool = keep(new NoTool(panel));
    palette = keep(new ToolBarPalette);
  }
  RecordingTool* tool(const QString& name, int tabs, int defaultTab = 2) {
    return keep(new RecordingTool(name, nullptr, tabs, defaultTab, panel));
  }
  // The captions the bar shows, in order.
  QStringList captions() const {
    QStringList texts;
    for (QAction* action : palette->actions())
      if (auto* widgetAction = qobject_cast<QWidgetAction*>(action))
        if (auto* label = qobject_cast<QLabel*>(widgetAction->defaultWidget()))
          texts << label->text();
    return texts;
  }
  QString currentName() const { return GmTool::current() ? GmTool::current()->name() : "-"; }

  ToolOptions* panel = nullptr;
  NoTool* noTool = nullptr;
  ToolBarPalette* palette = nullptr;
};

TEST_F(PaletteTest, EachTabGetsBackItsLastTool) {
  RecordingTool* a = tool("A", 2);
  RecordingTool* b = tool("B", 2);
  RecordingTool* c = tool("C", 8, 8);
  palette->addTool(a, "Delete");
  palette->addTool(b, "Delete");
  palette->addTool(c, "");
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(currentName(), "A");  // the first enabled tool
  b->selectToolSlot();
  palette->viewChanged(ImageView::ComposePicture);
  EXPECT_EQ(currentName(), "C");
  EXPECT_EQ(palette->rememberedTool(2), b);
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(currentName(), "B");
  EXPECT_EQ(palette->rememberedTool(8), c);
}

TEST_F(PaletteTest, LeavingWithTheDefaultToolForgetsTheTab) {
  RecordingTool* a = tool("A", 2);
  RecordingTool* b = tool("B", 2);
  palette->addTool(a, "");
  palette->addTool(b, "");
  palette->viewChanged(ImageView::DeleteBackground);
  b->selectToolSlot();
  palette->viewChanged(ImageView::ComposePicture);  // nothing here: the default tool
  EXPECT_EQ(currentName(), "No Tool");
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(currentName(), "B");
  noTool->selectToolSlot();
  palette->viewChanged(ImageView::ComposePicture);
  EXPECT_EQ(palette->rememberedTool(2), nullptr);
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(currentName(), "A");
}

TEST_F(PaletteTest, AToolNoLongerMeantForTheTabIsNotReinstated) {
  RecordingTool* a = tool("A", 2);
  RecordingTool* shifting = tool("S", 2);
  palette->addTool(a, "");
  palette->addTool(shifting, "");
  palette->viewChanged(ImageView::DeleteBackground);
  shifting->selectToolSlot();
  palette->viewChanged(ImageView::AddEffects);
  EXPECT_EQ(palette->rememberedTool(2), shifting);
  shifting->tabs = ImageView::AddEffects;
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(currentName(), "A");
}

TEST_F(PaletteTest, OnlyToolsAreCandidates) {
  QAction undo("Undo", nullptr);
  QSignalSpy undone(&undo, &QAction::triggered);
  RecordingTool* a = tool("A", 2);
  palette->addActionEntry(&undo, ImageView::DeleteBackground, "Edit");
  palette->addTool(a, "Delete");
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_TRUE(undone.isEmpty());
  EXPECT_EQ(currentName(), "A");
}

TEST_F(PaletteTest, WithNothingEnabledTheDefaultToolTakesOver) {
  RecordingTool* a = tool("A", 2);
  RecordingTool* c = tool("C", 8, 8);
  c->usable = false;
  c->setEnabledSlot();
  palette->addTool(a, "");
  palette->addTool(c, "");
  palette->viewChanged(ImageView::DeleteBackground);
  palette->viewChanged(ImageView::ComposePicture);
  EXPECT_EQ(currentName(), "No Tool");
  // A current tool that works in the new tab stays.
  RecordingTool* both = tool("Both", 2 | 16);
  both->selectToolSlot();
  palette->viewChanged(ImageView::AddEffects);
  EXPECT_EQ(currentName(), "Both");
}

TEST_F(PaletteTest, CaptionsShowOnlyInTheFirstTab) {
  QAction plain("Plain", nullptr);
  palette->addTool(tool("A", 2 | 8), "Delete");
  palette->addTool(tool("B", 2 | 8), "Delete");
  palette->addActionEntry(&plain, 2 | 8, "Navigation");
  auto* widget = new QSlider;
  palette->addWidgetEntry(widget, 8, "Edges", true);
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(captions(), QStringList({"Delete", "Delete", "Navigation"}));
  EXPECT_EQ(palette->actions().size(), 3 + 2 + 3);  // captions, separators, entries
  palette->viewChanged(ImageView::ComposePicture);
  EXPECT_TRUE(captions().isEmpty()) << captions().join(",").toStdString();
  EXPECT_EQ(palette->actions().size(), 4 + 1);  // the widget's separator
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(palette->actions().size(), 3 + 2 + 3);
}

TEST_F(PaletteTest, DestroyedActionsLeaveThePaletteAndItsMemory) {
  RecordingTool* a = tool("A", 2);
  auto* gone = new RecordingTool("Gone", nullptr, 2, 2, panel);
  palette->addTool(a, "");
  palette->addTool(gone, "");
  palette->viewChanged(ImageView::DeleteBackground);
  gone->selectToolSlot();
  palette->viewChanged(ImageView::ComposePicture);
  ASSERT_EQ(palette->rememberedTool(2), gone);
  delete gone;
  EXPECT_EQ(palette->rememberedTool(2), nullptr);
  palette->viewChanged(ImageView::DeleteBackground);
  EXPECT_EQ(currentName(), "A");
  EXPECT_EQ(palette->actions().size(), 1);
  palette->removeAction(a->action());
  EXPECT_TRUE(palette->actions().isEmpty());
}

TEST_F(PaletteTest, ADoubleClickTriggersTheSecondAction) {
  auto* button = keep(new ToolPaletteButton);
  QAction first("First", button), second("Second", nullptr);
  first.setCheckable(true);
  button->setDefaultAction(&first);
  button->setSecondAction(&second);
  QSignalSpy toggles(&first, &QAction::toggled), seconds(&second, &QAction::triggered);
  button->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(button));
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(toggles.count(), 1);
  EXPECT_EQ(seconds.count(), 1);
  // The triangle shows in a corner.
  const QImage marked = button->grab().toImage();
  button->setSecondAction(nullptr);
  const QImage plain = button->grab().toImage();
  EXPECT_NE(marked, plain);
}

TEST_F(PaletteTest, PaletteStateRoundTrip) {
  auto* dock = keep(new ToolPalette("Tools"));
  dock->setFloating(true);
  dock->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dock));
  dock->move(120, 80);
  const QByteArray state = dock->saveState();
  ASSERT_EQ(state.size(), 10);

  auto* other = keep(new ToolPalette("Tools"));
  ASSERT_TRUE(other->restoreState(state));
  EXPECT_TRUE(other->isVisible());
  EXPECT_EQ(other->saveState(), state);

  dock->tabToggle(true);
  EXPECT_FALSE(dock->isVisible());
  EXPECT_EQ(dock->saveState(), state);  // visible before the Tab hid it
  dock->tabToggle(false);
  EXPECT_TRUE(dock->isVisible());
}

TEST_F(PaletteTest, TheHeaderLinkOpensThroughTheDesktop) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "open");
  auto* dock = keep(new ToolPalette("Tools"));
  dock->invokeHeaderLink();
  dock->setHeaderLink("https://example.org/tools");
  dock->invokeHeaderLink();
  QDesktopServices::unsetUrlHandler("https");
  EXPECT_EQ(catcher.opened, QList<QUrl>({QUrl("https://example.org/tools")}));
}

TEST_F(PaletteTest, GarbageStateChangesNothing) {
  auto* dock = keep(new ToolPalette("Tools"));
  const QByteArray before = dock->saveState();
  QByteArray flagsOutOfRange = before;
  flagsOutOfRange[8] = char(7);
  for (const QByteArray& bytes :
       {QByteArray(), before.left(9), before + 'x', QByteArray(10, '\xff'), flagsOutOfRange}) {
    EXPECT_FALSE(dock->restoreState(bytes)) << bytes.toHex().toStdString();
    EXPECT_EQ(dock->saveState(), before);
  }
}

TEST_F(PaletteTest, TheOptionsPanelShowsIconOrName) {
  openPhoto();
  auto* pan = keep(new PanTool(nullptr, nullptr, panel));
  pan->selectToolSlot();
  EXPECT_FALSE(panel->iconLabel()->pixmap(Qt::ReturnByValue).isNull());
  EXPECT_EQ(panel->iconLabel()->pixmap(Qt::ReturnByValue).size(), QSize(32, 32));
  EXPECT_FALSE(panel->titleLabel()->isVisibleTo(panel));
  EXPECT_EQ(panel->windowTitle(), "Pan");
  EXPECT_EQ(panel->stack()->currentWidget()->objectName(), "ToolOptionsWidget");
  noTool->selectToolSlot();
  EXPECT_TRUE(panel->iconLabel()->pixmap(Qt::ReturnByValue).isNull());
  EXPECT_TRUE(panel->titleLabel()->isVisibleTo(panel));
  EXPECT_EQ(panel->titleLabel()->text(), "No Tool");
  const int pages = panel->stack()->count();
  pan->selectToolSlot();
  noTool->selectToolSlot();
  EXPECT_EQ(panel->stack()->count(), pages);
}

}  // namespace
