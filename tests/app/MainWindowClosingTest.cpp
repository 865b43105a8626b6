// The main window's keys, its context menu and its close: the unsaved-changes question, the host
// exit code and the wait for the engine.

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ScriptedCommand.h"
#include "support/AppTestSupport.h"
#include "support/MainWindowFixture.h"
#include "workspace/CutoutTools.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/ZoomTool.h"

namespace {

// ---- Closing

struct CloseRow {
  const char* name;
  bool changed;                        // a stroke was painted
  QMessageBox::StandardButton answer;  // NoButton: no question expected
  const char* exportTo;                // the export dialog's answer; null: cancelled
  bool closes;
  int hostExitCode;
};

void PrintTo(const CloseRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowClose : public MainWindowTest, public ::testing::WithParamInterface<CloseRow> {};

TEST_P(MainWindowClose, TheQuestionDecidesAndSetsTheHostCode) {
  const CloseRow& row = GetParam();
  start();
  open(photo());
  if (row.changed) paintStroke(CvStatusDelete, {{10, 10}, {60, 12}});
  if (row.answer != QMessageBox::NoButton) {
    AppDialogs::Answer answer;
    answer.standard = row.answer;
    dialogs.answers << answer;
  }
  if (row.exportTo) dialogs.fileAnswers << folder.filePath(row.exportTo);
  // The composition's part: the cut-out on a canvas, so there is a final picture to export.
  ZarvoObject* hub = ZarvoObject::instance();
  hub->setCanvasRect(QRect(0, 0, 160, 120));
  hub->cutoutChangedSlot(syntheticPhoto(160, 120), QPoint());
  app->setHostExitCode(-1);
  const int countBefore = thread()->commandCount();

  window->close();
  if (row.closes) {
    EXPECT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  } else {
    QCoreApplication::processEvents();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(window->isClosing());
    EXPECT_TRUE(thread()->isOpen());
    EXPECT_EQ(thread()->commandCount(), countBefore) << "a refused close leaves the work alone";
    EXPECT_NE(GmModel::instance()->segImage(), nullptr);
  }
  EXPECT_EQ(app->hostExitCode(), row.hostExitCode);
  const bool asked = row.answer != QMessageBox::NoButton;
  ASSERT_EQ(dialogs.shown.size() >= 1, asked);
  if (asked) {
    EXPECT_EQ(dialogs.shown.first().title, "Unsaved changes");
    EXPECT_EQ(dialogs.shown.first().icon, QMessageBox::Critical);
    EXPECT_EQ(dialogs.shown.first().text,
              "You have made modifications.\nDo you want to save your changes?");
  }
  if (row.exportTo && row.closes) {
    EXPECT_TRUE(QFile::exists(folder.filePath(row.exportTo)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MainWindowClose,
    ::testing::Values(CloseRow{"unchanged", false, QMessageBox::NoButton, nullptr, true, 2},
                      CloseRow{"discard", true, QMessageBox::Discard, nullptr, true, 1},
                      CloseRow{"save", true, QMessageBox::Save, "final.png", true, 0},
                      CloseRow{"saveFails", true, QMessageBox::Save, "no/such/folder/final.png",
                               false, 0},
                      CloseRow{"saveCancelled", true, QMessageBox::Save, nullptr, false, 0},
                      CloseRow{"cancel", true, QMessageBox::Cancel, nullptr, false, 0}),
    [](const ::testing::TestParamInfo<CloseRow>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, SaveAndApplyHandsBackWithoutAQuestionEvenWhenNothingChanged) {
  start(TsApp::SharedMemory);
  ASSERT_TRUE(GmModel::instance()->isUnmodified());
  app->setHostExitCode(-1);
  window->saveAndApplySlot();
  EXPECT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  EXPECT_TRUE(dialogs.shown.isEmpty());
  EXPECT_EQ(app->hostExitCode(), 0) << "the hand-back is kept, not turned into 2";
}

TEST_F(MainWindowTest, SaveAndApplyMakesNoNewMaskForAnUpToDateCutout) {
  start();
  open(photo());
  paintStroke(CvStatusDelete, {{10, 10}, {60, 12}});
  // The cut-out the stroke's change asked for is the newest command's.
  thread()->submit(new CvCmdGenerateMask(GmModel::instance()));
  waitIdle();
  ASSERT_EQ(CvCmdGenerateMask::maskCommandCount(), thread()->commandCount());
  QStringList started;
  QObject listening;
  QObject::connect(thread(), &CorvaneThread::commandStarted, &listening,
                   [&](CorvaneCommand* command) { started << command->description(); });
  window->saveAndApplySlot();
  EXPECT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  EXPECT_FALSE(started.contains("Creating Cut-out...")) << qPrintable(started.join(", "));
}

TEST_F(MainWindowTest, ACloseWaitsForTheEngineAndASecondOneIsOnlyLogged) {
  start();
  Journal journal;
  auto* command = new ScriptedCommand("Long", &journal);
  command->blocking = true;
  thread()->submit(command, CorvaneThread::Uncancellable);
  ASSERT_TRUE(zarvo_test::waitFor([&] { return journal.lines().contains("Long execute"); }));

  window->close();
  ASSERT_FALSE(window.isNull());
  EXPECT_TRUE(window->isClosing());
  EXPECT_FALSE(window->isEnabled());
  EXPECT_FALSE(thread()->isOpen());
  EXPECT_EQ(statusMessage(), "Exiting Zarvo ...");
  EXPECT_EQ(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1,
            Qt::WaitCursor);
  window->close();
  EXPECT_EQ(logLinesWith("Closed several times").size(), 1);
  ASSERT_FALSE(window.isNull());

  command->release.release();
  EXPECT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// ---- Keys

class MainWindowKeys : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    start();
    open(photo());
    tools = window->tools();
  }
  void key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           bool autoRepeat = false) {
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(window, &event);
  }
  GmTool* current() const { return GmTool::current(); }

  const CutoutTools* tools = nullptr;
};

TEST_F(MainWindowKeys, SpacePansWhileHeldAndGoesBack) {
  tools->zoomTool()->installSlot();
  key(QEvent::KeyPress, Qt::Key_Space);
  EXPECT_EQ(current(), tools->panTool());
  EXPECT_EQ(window->panReturnTool(), tools->zoomTool());
  // Held: the repeats change nothing.
  key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true);
  key(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, true);
  EXPECT_EQ(current(), tools->panTool());
  key(QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(current(), tools->zoomTool());
  EXPECT_EQ(window->panReturnTool(), nullptr);

  // Already panning by choice: the space bar neither switches nor returns.
  tools->panTool()->installSlot();
  key(QEvent::KeyPress, Qt::Key_Space);
  key(QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(current(), tools->panTool());
}

TEST_F(MainWindowKeys, SpaceWithAModifierForgetsTheToolToReturnTo) {
  tools->zoomTool()->installSlot();
  key(QEvent::KeyPress, Qt::Key_Space);
  key(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier);
  EXPECT_EQ(window->panReturnTool(), nullptr);
  key(QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(current(), tools->panTool());
}

TEST_F(MainWindowKeys, ReleasingSpaceAfterTheImageWentSelectsTheFallback) {
  tools->zoomTool()->installSlot();
  key(QEvent::KeyPress, Qt::Key_Space);
  window->fileHandler()->cutoutDiscardSlot();
  waitIdle();
  key(QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(current(), static_cast<GmTool*>(tools->noTool()));
}

TEST_F(MainWindowKeys, EscapeAndControlPeriodBackOut) {
  for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ControlModifier}) {
    tools->zoomTool()->installSlot();
    key(QEvent::KeyPress, modifiers == Qt::NoModifier ? Qt::Key_Escape : Qt::Key_Period, modifiers);
    EXPECT_EQ(current(), static_cast<GmTool*>(tools->noTool()));
  }
  // A period alone is only a key for the tool.
  tools->zoomTool()->installSlot();
  key(QEvent::KeyPress, Qt::Key_Period);
  EXPECT_EQ(current(), tools->zoomTool());
}

TEST_F(MainWindowKeys, NoContextMenuOverAToolBarOrTheMenuBar) {
  bool popped = false;
  // Whether the window took the event as its own.
  const auto rightClick = [&](QWidget* over) {
    popped = false;
    // A menu that opens is closed again at once (it runs its own loop).
    QTimer::singleShot(0, [&] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        popped = true;
        popup->close();
      }
    });
    const QPoint at = over->mapTo(window, over->rect().center());
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, window->mapToGlobal(at));
    QApplication::sendEvent(window, &event);
    QCoreApplication::processEvents();
    return event.isAccepted();
  };
  // Swallowed over the bars, where the standard menu of the window would hide them.
  EXPECT_TRUE(rightClick(window->palette()));
  EXPECT_FALSE(popped);
  EXPECT_TRUE(rightClick(window->menuBar()));
  EXPECT_FALSE(popped);
  EXPECT_TRUE(rightClick(window->optionsToolBar()));
  EXPECT_FALSE(popped);
  // Elsewhere the standard handling decides, and it offers no menu outside bars and docks.
  EXPECT_FALSE(rightClick(window->statusBar()));
  EXPECT_FALSE(popped);
}

}  // namespace
