// The composition side of the main window: its tabs, tools, palette and menus, the view-tab
// change, the keys of every tab, space-bar panning on the composition, a placed cut-out taken back
// for editing, and closing with an unsaved picture.

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>

#include "ScriptedCommand.h"
#include "support/MainWindowFixture.h"
#include "app/AppCompositionHost.h"
#include "composition/BackgroundTool.h"
#include "composition/CompositionTools.h"
#include "composition/CompressTool.h"
#include "composition/CutoutController.h"
#include "composition/CutoutInstanceItem.h"
#include "composition/FinalImageWidget.h"
#include "composition/FinalOptionsTool.h"
#include "composition/HighlightBrushTool.h"
#include "composition/ImageSizeTool.h"
#include "composition/ImportLogoTool.h"
#include "composition/ProcessorFinalImage.h"
#include "composition/ShadowTool.h"
#include "composition/SharpenImageTool.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoWidget.h"
#include "composition/ZarvoZoomTool.h"
#include "document/SavedCutoutState.h"
#include "document/TsSourceImage.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EdgeBlendingTool.h"
#include "workspace/EdgeFindingTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/IVTabWidget.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/TsWorkspace.h"
#include "workspace/ViewOptions.h"
#include "workspace/ZoomTool.h"
#include "workspace/ZoomViewOptionsWidget.h"

namespace {

class MainWindowComposition : public MainWindowTest {
 protected:
  // Every tool in the order of the window's table, both sides.
  QList<GmTool*> allTools() const {
    const CutoutTools* c = window->tools();
    const CompositionTools* z = window->compositionTools();
    return {c->noTool(),
            c->deleteExactTool(),
            c->complexExactTool(),
            c->eraseExactTool(),
            c->deleteLocalTool(),
            c->panTool(),
            c->zoomTool(),
            z->selectTool(),
            z->backgroundTool(),
            z->imageSizeTool(),
            z->sharpenTool(),
            z->shadowTool(),
            z->highlightBrushTool(),
            z->logoTool(),
            z->finalOptionsTool(),
            z->compressTool(),
            z->panTool(),
            z->zoomTool(),
            c->edgeFindingTool(),
            c->edgeBlendingTool()};
  }

  // A cut-out of the drawn disc, placed by the document's new mask, and the final picture of it
  // built: the composition then has unsaved changes.
  void placeCutout() {
    ZarvoObject::instance()->setRebuildDelayForTesting(20);
    open(photo());
    paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
    paintStroke(CvStatusDelete, {{3, 3}, {156, 3}, {156, 116}, {3, 116}, {3, 3}});
    thread()->submit(new CvCmdGenerateMask(GmModel::instance()));
    waitIdle();
    ZarvoObject* hub = ZarvoObject::instance();
    const auto built = [hub] {
      return !hub->finalPixmap().isNull() && !hub->rebuildPending() &&
             !hub->processor()->isRunning();
    };
    ASSERT_TRUE(zarvo_test::waitFor(built, 10000));
    // The first picture after an image was opened is the saved state; a wider canvas is a
    // change of the user's.
    hub->setCanvasRect(QRect(QPoint(0, 0), hub->canvasRect().size() + QSize(40, 0)));
    ASSERT_TRUE(zarvo_test::waitFor([&] { return built() && hub->hasUnsavedChanges(); }, 10000));
  }
};

TEST_F(MainWindowComposition, TabsToolsAndPaletteFollowTheTable) {
  start();
  EXPECT_EQ(window->imageView()->tabBar()->count(), 4);
  EXPECT_EQ(window->compositionWidget()->objectName(), "zarvoWidget_");
  // The shared group holds the tools' actions in the order they were made.
  const QList<QAction*> group = GmTool::toolActionGroup()->actions();
  int last = -1;
  for (GmTool* tool : allTools()) {
    const int index = group.indexOf(tool->action());
    EXPECT_GT(index, last) << qPrintable(tool->name());
    last = index;
  }
  ASSERT_TRUE(window->menus().compositionView);
  EXPECT_EQ(window->menus().compositionView->actions(),
            QList<QAction*>({window->compositionTools()->panTool()->action(),
                             window->compositionTools()->zoomTool()->action()}));

  open(photo());
  const CutoutTools* c = window->tools();
  const CompositionTools* z = window->compositionTools();
  const QMap<int, QList<QAction*>> byTab = {
      {2,
       {c->deleteLocalTool()->action(), c->deleteExactTool()->action(),
        c->complexExactTool()->action(), c->eraseExactTool()->action(), window->mainActions().undo,
        window->mainActions().redo, c->edgeFindingTool()->action(), c->edgeBlendingTool()->action(),
        c->panTool()->action(), c->zoomTool()->action()}},
      {8,
       {z->selectTool()->action(), z->backgroundTool()->action(), z->imageSizeTool()->action(),
        z->logoTool()->action(), z->panTool()->action(), z->zoomTool()->action()}},
      {16,
       {z->sharpenTool()->action(), z->shadowTool()->action(), z->highlightBrushTool()->action(),
        z->panTool()->action(), z->zoomTool()->action()}},
      {32, {z->compressTool()->action(), window->mainActions().exportFinalImage}},
  };
  QList<QAction*> known;
  for (const QList<QAction*>& actions : byTab) known << actions;
  for (auto it = byTab.cbegin(); it != byTab.cend(); ++it) {
    SCOPED_TRACE(it.key());
    showTab(it.key());
    QList<QAction*> shown;
    for (QAction* action : window->palette()->actions())
      if (known.contains(action) && !shown.contains(action)) shown << action;
    EXPECT_EQ(shown, it.value());
    // "3. Add Effects" shows the composition view again.
    IVTabWidget* pages = window->imageView()->tabWidget();
    QWidget* page = pages->page(pages->currentPage());
    if (it.key() != 2) {
      EXPECT_EQ(page, it.key() == 32 ? static_cast<QWidget*>(window->finalImageWidget())
                                     : window->compositionWidget());
    }
    // The composition's View menu is only a holder: never in the bar.
    EXPECT_FALSE(
        window->menuBar()->actions().contains(window->menus().compositionView->menuAction()));
  }
}

struct TabRow {
  const char* name;
  int tab;
  bool cutoutSide;  // the cut-out menus and widgets in place and enabled
  bool zoomSlider;
};

void PrintTo(const TabRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowTabChange : public MainWindowComposition,
                            public ::testing::WithParamInterface<TabRow> {};

TEST_P(MainWindowTabChange, MovesTheMenusAndStatusWidgetsAndEnablesOneSide) {
  const TabRow& row = GetParam();
  start();
  open(photo());
  // From another tab, so that the change is one.
  showTab(row.tab == 8 ? 32 : 8);
  showTab(row.tab);
  const QList<QAction*> bar = window->menuBar()->actions();
  EXPECT_EQ(window->menus().brush->menuAction()->isVisible(), row.cutoutSide);
  EXPECT_EQ(window->menus().view->menuAction()->isVisible(), row.cutoutSide);
  EXPECT_FALSE(bar.contains(window->menus().compositionView->menuAction()));
  EXPECT_EQ(window->viewOptions()->isVisibleTo(window), row.cutoutSide);
  EXPECT_EQ(window->zoomOptions()->isVisibleTo(window), row.zoomSlider);
  EXPECT_EQ(window->imageView()->workspace()->isEnabled(), row.cutoutSide);
  EXPECT_TRUE(window->compositionWidget()->isEnabled());
  EXPECT_EQ(window->zoomOptions()->mode(), row.tab == 2 ? ZoomViewOptionsWidget::EditMode
                                                        : ZoomViewOptionsWidget::CompositionMode);
}

INSTANTIATE_TEST_SUITE_P(Tabs, MainWindowTabChange,
                         ::testing::Values(TabRow{"deleteBackground", 2, true, true},
                                           TabRow{"composePicture", 8, false, true},
                                           TabRow{"addEffects", 16, false, true},
                                           TabRow{"finalImage", 32, false, false}),
                         [](const ::testing::TestParamInfo<TabRow>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(MainWindowComposition, QuickChangesAndUndoLeaveTheCutoutSideAsTheLastTabWants) {
  start();
  open(photo());
  // 2, 8, 2 inside the 333 ms of the second application: the cut-out side stays usable.
  showTab(8);
  showTab(2);
  ASSERT_TRUE(window->tabChangeSettling());
  ASSERT_TRUE(zarvo_test::waitFor([this] { return !window->tabChangeSettling(); }));
  EXPECT_TRUE(window->imageView()->workspace()->isEnabled());
  EXPECT_TRUE(window->menus().brush->menuAction()->isVisible());

  // Undo is a cut-out step: from the composition it shows the cut-out first.
  showTab(8);
  window->undoSlot();
  waitIdle();
  EXPECT_EQ(window->imageView()->currentViewTab(), 2);
  EXPECT_TRUE(window->imageView()->workspace()->isEnabled());
}

TEST_F(MainWindowComposition, EveryToolKeySelectsOnlyThatTabsTool) {
  start();
  open(photo());
  activate();
  int checked = 0;
  for (const int tab : {2, 8, 16, 32}) {
    showTab(tab);
    for (GmTool* tool : allTools()) {
      if (!(int(tool->viewTabs()) & tab) || !tool->isUsable()) continue;
      const QString key = tool->action()->shortcut().toString();
      if (key.isEmpty()) continue;
      SCOPED_TRACE(QStringLiteral("%1 on tab %2").arg(key).arg(tab).toStdString());
      // From a tool of the tab that does not answer the key.
      window->tools()->noTool()->installSlot();
      QTest::keySequence(window, QKeySequence(key));
      EXPECT_EQ(GmTool::current(), tool) << qPrintable(tool->name());
      EXPECT_EQ(window->imageView()->currentViewTab(), tab) << "a key never leaves the tab";
      ++checked;
    }
  }
  EXPECT_GE(checked, 6) << "the composition's keys S, I, L and the cut-out brushes";
}

TEST_F(MainWindowComposition, SpacePansTheCompositionAndItsReleaseReturns) {
  start();
  open(photo());
  activate();
  showTab(8);
  GmTool* select = window->compositionTools()->selectTool();
  select->installSlot();
  ASSERT_EQ(GmTool::current(), select);
  QTest::keyPress(window, Qt::Key_Space);
  EXPECT_EQ(GmTool::current(), window->compositionTools()->panTool());
  EXPECT_EQ(window->panReturnTool(), select);
  QTest::keyRelease(window, Qt::Key_Space);
  EXPECT_EQ(GmTool::current(), select);
  EXPECT_EQ(window->panReturnTool(), nullptr);
  EXPECT_EQ(window->imageView()->currentViewTab(), 8);
}

TEST_F(MainWindowComposition, AnUnsavedPictureMakesTheCloseAskAndSaveExportsIt) {
  start();
  placeCutout();
  const QString target = folder.filePath("picture.png");
  dialogs.answers << AppDialogs::Answer{QMessageBox::Save, -1};
  dialogs.fileAnswers << target;
  // The question and the export happen inside the close: the window is gone after it.
  window->close();
  ASSERT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  ASSERT_FALSE(dialogs.shown.isEmpty());
  EXPECT_EQ(dialogs.shown.first().title, "Unsaved changes");
  const QImage written(target);
  EXPECT_EQ(written.size(), ZarvoObject::instance()->canvasRect().size());
  EXPECT_EQ(app->hostExitCode(), 0);
}

// A change whose picture is still to be built counts as unsaved: closing within the rebuild's
// 500 ms must not lose it.
struct PendingChangeRow {
  const char* name;
  // Through the tool's own control; the shadow and the highlight reach the hub from a thread.
  void (*change)(const CompositionTools* tools);
  bool choosesALogo;  // the logo file is the next file dialog's answer
};

void PrintTo(const PendingChangeRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowPendingPicture : public MainWindowComposition {
 protected:
  // The logo's file dialog goes through the shell's dialogs, as in the program.
  void SetUp() override {
    MainWindowComposition::SetUp();
    previousHost_ = setCompositionHost(&compositionHost_);
  }
  void TearDown() override {
    MainWindowComposition::TearDown();
    setCompositionHost(previousHost_);
  }
  // The placed cut-out exported, so that nothing counts as unsaved; then the real delay, so
  // that a change waits for its picture while the test closes.
  void exportEverything() {
    placeCutout();
    // A background with detail, which the compression's blur and a tighter budget change.
    window->compositionTools()->backgroundTool()->typeCombo()->setCurrentIndex(
        BackgroundTool::Curly);
    dialogs.fileAnswers << folder.filePath("saved.jpg");
    ASSERT_TRUE(window->fileSaveSlot());
    ZarvoObject* hub = ZarvoObject::instance();
    hub->setRebuildDelayForTesting(500);
    ASSERT_FALSE(hub->hasUnsavedChanges());
    ASSERT_FALSE(hub->rebuildPending());
    dialogs.shown.clear();
  }
  void makeChange(const PendingChangeRow& row) {
    if (row.choosesALogo) {
      const QString logo = folder.filePath("logo.png");
      ASSERT_TRUE(syntheticPhoto(60, 40).save(logo));
      dialogs.fileAnswers << logo;
    }
    row.change(window->compositionTools());
  }
  // The change has reached the hub and waits for its rebuild.
  void change(const PendingChangeRow& row) {
    makeChange(row);
    if (HasFatalFailure()) return;  // the row's own check failed: no rebuild is coming
    ASSERT_TRUE(zarvo_test::waitFor([] { return ZarvoObject::instance()->rebuildPending(); }));
  }
  // A photo with effects that the next one's opening derives afresh for its cut-out (its
  // shadow, sharpening and highlight copy), exported; then the next, by the command line's
  // road, still opening.
  void openOverSavedEffects() {
    open(photo());
    const CompositionTools* tools = window->compositionTools();
    tools->shadowTool()->typeBox()->setCurrentIndex(2);
    tools->sharpenTool()->levelSlider()->setValue(1);
    tools->highlightBrushTool()->addPoint(QPointF(20, 20));
    dialogs.fileAnswers << folder.filePath("saved.jpg");
    ASSERT_TRUE(window->fileSaveSlot());
    window->fileHandler()->loadFile(photo("second.png", QSize(120, 160)));
    ASSERT_TRUE(thread()->hasWork());
  }
  // Whether the last step asked the unsaved-changes question (answered with Cancel).
  bool askedAndStayed() {
    return dialogs.shown.size() == 1 && dialogs.shown.first().title == "Unsaved changes" &&
           !window.isNull();
  }

 private:
  AppCompositionHost compositionHost_;
  CompositionHost* previousHost_ = nullptr;
};

class MainWindowPendingChange : public MainWindowPendingPicture,
                                public ::testing::WithParamInterface<PendingChangeRow> {};

TEST_P(MainWindowPendingChange, AnImmediateCloseAsks) {
  start();
  exportEverything();
  change(GetParam());
  dialogs.answers << AppDialogs::Answer{QMessageBox::Cancel, -1};
  window->close();
  EXPECT_TRUE(askedAndStayed());
}

// Made while a photo still opens, the change is in the picture that would become the photo's
// saved state: it asks all the same.
TEST_P(MainWindowPendingChange, AChangeWhileAPhotoOpensAsks) {
  start();
  openOverSavedEffects();
  makeChange(GetParam());
  EXPECT_TRUE(asks()) << "while the photo opens";
  waitIdle();
  EXPECT_TRUE(asks()) << "once it has opened";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, MainWindowPendingChange,
    ::testing::Values(
        PendingChangeRow{"canvas_size",
                         [](const CompositionTools* t) {
                           QSpinBox* width = t->imageSizeTool()->widthSpin();
                           width->setValue(width->value() + 20);
                         },
                         false},
        PendingChangeRow{"background",
                         [](const CompositionTools* t) {
                           t->backgroundTool()->typeCombo()->setCurrentIndex(BackgroundTool::Wavy);
                         },
                         false},
        PendingChangeRow{
            "logo", [](const CompositionTools* t) { t->logoTool()->addButton()->click(); }, true},
        PendingChangeRow{
            "shadow",
            [](const CompositionTools* t) { t->shadowTool()->typeBox()->setCurrentIndex(1); },
            false},
        PendingChangeRow{
            "sharpening",
            [](const CompositionTools* t) { t->sharpenTool()->levelSlider()->setValue(3); }, false},
        PendingChangeRow{
            "highlight",
            [](const CompositionTools* t) { t->highlightBrushTool()->addPoint(QPointF(20, 20)); },
            false},
        PendingChangeRow{
            "compression",
            [](const CompositionTools* t) { t->compressTool()->compressionSlider()->setValue(3); },
            false},
        PendingChangeRow{
            "budget",
            [](const CompositionTools* t) { t->compressTool()->maxFileSizeBox()->setValue(10); },
            false},
        PendingChangeRow{"item_moved",
                         [](const CompositionTools*) {
                           CutoutController::instance()->instances()[0]->cornerDrag({40, 50}, {});
                         },
                         false},
        // The action notes the change whatever its slot does: the clone itself is checked.
        PendingChangeRow{"clone",
                         [](const CompositionTools* t) {
                           const QList<CutoutInstanceItem*>& on =
                               CutoutController::instance()->instances();
                           const int before = on.size();
                           t->selectTool()->cloneAction()->trigger();
                           ASSERT_EQ(on.size(), before + 1) << "no clone was made";
                           EXPECT_NE(on.first()->scene(), nullptr)
                               << "the clone is not on the canvas";
                         },
                         false}),
    [](const auto& info) { return std::string(info.param.name); });

// The opening's own layers alone ask nothing, nor does a change exported or discarded (the
// tools' resets with it) while a photo opens.
TEST_F(MainWindowPendingPicture, APhotoOpeningOverEffectsAsksNothing) {
  start();
  openOverSavedEffects();
  waitIdle();
  EXPECT_FALSE(asks()) << "the opening's own layers";
  FileHandler* files = window->fileHandler();
  for (const bool discard : {false, true}) {
    files->loadFile(photo(discard ? "third.png" : "fourth.png"));
    window->compositionTools()->shadowTool()->typeBox()->setCurrentIndex(discard ? 1 : 0);
    dialogs.answers = {AppDialogs::Answer{QMessageBox::Discard, -1}};
    dialogs.fileAnswers << folder.filePath("saved.jpg");
    discard ? files->cutoutDiscardSlot() : void(window->fileSaveSlot());
    waitIdle();
    EXPECT_FALSE(asks()) << (discard ? "discarded" : "exported") << " while it opened";
  }
}

TEST_F(MainWindowPendingPicture, NewAndDiscardCutoutAskAsTheCloseDoes) {
  start();
  exportEverything();
  change(PendingChangeRow{
      "budget",
      [](const CompositionTools* t) { t->compressTool()->maxFileSizeBox()->setValue(10); }, false});
  FileHandler* files = window->fileHandler();
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"Discard Cut-out", [files] { files->cutoutDiscardSlot(); }},
      {"New Cut-out", [files] { files->cutoutNewSlot(); }},
      {"close", [this] { window->close(); }}};
  for (const auto& way : ways) {
    SCOPED_TRACE(way.first);
    dialogs.shown.clear();
    dialogs.answers << AppDialogs::Answer{QMessageBox::Cancel, -1};
    way.second();
    EXPECT_TRUE(askedAndStayed());
    EXPECT_TRUE(dialogs.fileAsks.size() == 1) << "only the export asked for a file";
    EXPECT_EQ(ZarvoObject::instance()->maxFileSizeKB(), 10) << "refused: the change stays";
  }
}

TEST_F(MainWindowComposition, APlacedCutoutIsEditedAndFinishedOnce) {
  start();
  showTab(8);
  // What a placed cut-out was made from: its source image alone.
  SavedCutoutState saved(new TsSourceImage(photo()));
  window->editCutoutItem(&saved);
  waitIdle();
  EXPECT_EQ(window->imageView()->currentViewTab(), 2);
  EXPECT_EQ(window->editedCutout(), &saved);
  ASSERT_TRUE(GmModel::instance()->segImage());

  // Done while the engine works: once the queue drains, however often it was asked.
  Journal journal;
  auto* command = new ScriptedCommand("Long", &journal);
  command->blocking = true;
  command->cancellable = false;
  thread()->submit(command);
  ASSERT_TRUE(zarvo_test::waitFor([this] { return thread()->isBusy(); }));
  QSignalSpy imageChanges(GmModel::instance(), &GmModel::tellImageChanged);
  window->createCutoutItemDone();
  window->createCutoutItemDone();
  EXPECT_EQ(window->imageView()->currentViewTab(), 2);
  command->release.release();
  waitIdle();
  EXPECT_EQ(window->imageView()->currentViewTab(), 8);
  EXPECT_EQ(window->editedCutout(), nullptr);
  EXPECT_EQ(GmModel::instance()->segImage(), nullptr);
  EXPECT_EQ(imageChanges.count(), 1) << "the document is finished once";

  // No pass is left waiting: the next drained queue changes nothing.
  showTab(2);
  auto* later = new ScriptedCommand("Later", &journal);
  thread()->submit(later);
  waitIdle();
  EXPECT_EQ(window->imageView()->currentViewTab(), 2);
}

TEST_F(MainWindowComposition, CancellingAnEditAsksThenShowsTheComposition) {
  start();
  showTab(8);
  SavedCutoutState saved(new TsSourceImage(photo()));
  window->editCutoutItem(&saved);
  waitIdle();
  paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
  ASSERT_EQ(window->imageView()->currentViewTab(), 2);

  dialogs.answers << AppDialogs::Answer{QMessageBox::Cancel, -1};
  window->createCutoutItemCancelled();
  EXPECT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(window->imageView()->currentViewTab(), 2) << "a cancelled question changes nothing";
  EXPECT_EQ(window->editedCutout(), &saved);

  dialogs.answers << AppDialogs::Answer{QMessageBox::Discard, -1};
  window->createCutoutItemCancelled();
  waitIdle();
  EXPECT_EQ(dialogs.shown.size(), 2);
  EXPECT_EQ(window->imageView()->currentViewTab(), 8);
  EXPECT_EQ(window->editedCutout(), nullptr);
  EXPECT_EQ(GmModel::instance()->segImage(), nullptr);
}

}  // namespace
