// The main window's keys, its context menu and its close: the unsaved-changes question, the host
// exit code and the wait for the engine.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "MouseInput.h"
#include "ScriptedCommand.h"
#include "support/AppTestSupport.h"
#include "support/MainWindowFixture.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/TsWorkspace.h"
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
  // Still waiting for its picture, it is a change of its own.
  if (row.changed) {
    ZarvoObject* hub = ZarvoObject::instance();
    hub->setCanvasRect(QRect(0, 0, 160, 120));
    hub->cutoutChangedSlot(syntheticPhoto(160, 120), QPoint());
  }
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

// A stroke painted on the canvas and, before it is done, a close by a road a user has.
struct StrokeCloseRow {
  const char* name;
  void (*close)(TsMainWindow* window);
};

void PrintTo(const StrokeCloseRow& row, std::ostream* out) {
  *out << row.name;
}

class CloseAfterStroke : public MainWindowTest,
                         public ::testing::WithParamInterface<StrokeCloseRow> {};

TEST_P(CloseAfterStroke, Asks) {
  start();
  open(photo());
  activate();
  window->tools()->deleteLocalTool()->installSlot();
  GmZoomWidget* canvas = window->imageView()->workspace()->canvas();
  const QRect place = canvas->imageRect();
  drag(canvas, QPoint(place.left() + place.width() / 4, place.center().y()),
       QPoint(place.right() - place.width() / 4, place.center().y()));
  ASSERT_TRUE(thread()->editInFlight()) << "the stroke is on its way";

  GetParam().close(window);
  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(dialogs.shown.first().title, "Unsaved changes");
  ASSERT_FALSE(window.isNull()) << "cancelled";
  EXPECT_TRUE(window->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CloseAfterStroke,
    ::testing::Values(StrokeCloseRow{"controlQ",
                                     [](TsMainWindow* window) {
                                       QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
                                     }},
                      // The window manager's close reaches the window's platform window.
                      StrokeCloseRow{"windowManager",
                                     [](TsMainWindow* window) {
                                       QCloseEvent close;
                                       QApplication::sendEvent(window->windowHandle(), &close);
                                     }}),
    [](const auto& info) { return std::string(info.param.name); });

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
  const int earlier = logLinesWith("Closed several times").size();  // the process's log
  window->close();
  EXPECT_EQ(logLinesWith("Closed several times").size() - earlier, 1);
  ASSERT_FALSE(window.isNull());

  command->release.release();
  EXPECT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// ---- Keys

enum class Tool { Zoom, Pan, None };

// One key event (key 0: the image is discarded instead) and the tool current after it.
struct KeyStep {
  QEvent::Type type;
  int key;
  Qt::KeyboardModifiers modifiers;
  bool autoRepeat;
  Tool after;
};

struct KeyRow {
  const char* name;
  Tool first;
  std::vector<KeyStep> steps;
};

void PrintTo(const KeyRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowKeys : public MainWindowTest, public ::testing::WithParamInterface<KeyRow> {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    start();
    open(photo());
  }
  GmTool* tool(Tool which) const {
    const CutoutTools* tools = window->tools();
    return which == Tool::Zoom  ? static_cast<GmTool*>(tools->zoomTool())
           : which == Tool::Pan ? static_cast<GmTool*>(tools->panTool())
                                : static_cast<GmTool*>(tools->noTool());
  }
};

TEST_P(MainWindowKeys, KeysReachTheToolsAndTheSpaceBarPans) {
  tool(GetParam().first)->installSlot();
  int index = 0;
  for (const KeyStep& step : GetParam().steps) {
    if (step.key == 0) {
      window->fileHandler()->cutoutDiscardSlot();
      waitIdle();
    } else {
      QKeyEvent event(step.type, step.key, step.modifiers, QString(), step.autoRepeat);
      QApplication::sendEvent(window, &event);
    }
    EXPECT_EQ(GmTool::current(), tool(step.after)) << "after step " << index++;
  }
  EXPECT_EQ(window->panReturnTool(), nullptr);
}

constexpr QEvent::Type kPress = QEvent::KeyPress, kRelease = QEvent::KeyRelease;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;

INSTANTIATE_TEST_SUITE_P(
    Rows, MainWindowKeys,
    ::testing::Values(
        KeyRow{"spaceHeldPansAndReturns",
               Tool::Zoom,
               {{kPress, Qt::Key_Space, kNone, false, Tool::Pan},
                {kPress, Qt::Key_Space, kNone, true, Tool::Pan},
                {kRelease, Qt::Key_Space, kNone, true, Tool::Pan},
                {kRelease, Qt::Key_Space, kNone, false, Tool::Zoom}}},
        KeyRow{"panChosenStays",
               Tool::Pan,
               {{kPress, Qt::Key_Space, kNone, false, Tool::Pan},
                {kRelease, Qt::Key_Space, kNone, false, Tool::Pan}}},
        KeyRow{"aModifierForgetsTheReturn",
               Tool::Zoom,
               {{kPress, Qt::Key_Space, kNone, false, Tool::Pan},
                {kPress, Qt::Key_Space, Qt::ShiftModifier, false, Tool::Pan},
                {kRelease, Qt::Key_Space, kNone, false, Tool::Pan}}},
        KeyRow{"imageGoneFallsBack",
               Tool::Zoom,
               {{kPress, Qt::Key_Space, kNone, false, Tool::Pan},
                {kPress, 0, kNone, false, Tool::None},
                {kRelease, Qt::Key_Space, kNone, false, Tool::None}}},
        KeyRow{"escape", Tool::Zoom, {{kPress, Qt::Key_Escape, kNone, false, Tool::None}}},
        KeyRow{"escapeHeld", Tool::Zoom, {{kPress, Qt::Key_Escape, kNone, true, Tool::Zoom}}},
        KeyRow{"controlPeriod",
               Tool::Zoom,
               {{kPress, Qt::Key_Period, Qt::ControlModifier, false, Tool::None}}},
        KeyRow{"periodAlone", Tool::Zoom, {{kPress, Qt::Key_Period, kNone, false, Tool::Zoom}}}),
    [](const ::testing::TestParamInfo<KeyRow>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, NoContextMenuOverAToolBarOrTheMenuBar) {
  start();
  bool popped = false;
  // Whether the window took the event as its own.
  const auto rightClick = [&](QWidget* over) {
    popped = false;
    // A menu that opens is closed again at once (it runs its own loop); the timer goes with
    // this call.
    QObject closer;
    QTimer::singleShot(0, &closer, [&] {
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
