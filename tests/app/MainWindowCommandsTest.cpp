// What the main window shows of the engine's commands, on drawn photos with the real engine:
// the status line and the progress bar, undo and redo, and the engine's failures.

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QRegularExpression>

#include "ScriptedCommand.h"
#include "support/MainWindowFixture.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/NoTool.h"
#include "workspace/ZoomTool.h"

namespace {

// The status line and the bar's tool tip as each command starts, after the window has shown it.
struct StartedReport {
  QString message;
  QString toolTip;
  bool textVisible;
};

TEST_F(MainWindowTest, TheStatusLineTellsEachCommandAndClearsAfter) {
  start();
  QList<StartedReport> reports;
  QObject listening;
  QObject::connect(thread(), &CorvaneThread::commandStarted, &listening, [&](CorvaneCommand*) {
    reports << StartedReport{statusMessage(), window->progressBar()->toolTip(),
                             window->progressBar()->isTextVisible()};
  });
  QList<int> progress;
  QObject::connect(thread(), &CorvaneThread::commandProgress, &listening,
                   [&](int percent, void*) { progress << percent; });
  open(photo("disc.png", QSize(800, 600)));

  bool analysisShown = false;
  for (const StartedReport& report : reports) {
    EXPECT_EQ(report.message, report.toolTip);
    EXPECT_TRUE(report.textVisible);
    analysisShown = analysisShown || report.message == "Finding Edges in Image...";
  }
  EXPECT_TRUE(analysisShown);
  EXPECT_EQ(GmTool::current(), static_cast<GmTool*>(window->tools()->deleteLocalTool()))
      << "the analysis's start hands the user the Delete Local brush";
  EXPECT_FALSE(progress.isEmpty()) << "the analysis reports its progress";
  EXPECT_EQ(statusMessage(), QString());
  EXPECT_EQ(window->progressBar()->value(), 0);
  EXPECT_FALSE(window->progressBar()->isTextVisible());
  EXPECT_EQ(window->progressBar()->toolTip(), QString());
  EXPECT_TRUE(QRegularExpression("^Zarvo: disc\\.png \\(800 x 600\\) @ \\d+\\.\\d%$")
                  .match(window->windowTitle())
                  .hasMatch())
      << qPrintable(window->windowTitle());
}

TEST_F(MainWindowTest, UndoWaitsForTheEngineAndRedoDoesNot) {
  start();
  open(photo());
  QAction* undo = window->mainActions().undo;
  QAction* redo = window->mainActions().redo;
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());
  paintStroke(CvStatusDelete, {{10, 10}, {80, 14}});
  paintStroke(CvStatusDelete, {{10, 100}, {80, 104}});
  ASSERT_TRUE(undo->isEnabled());
  const uint32_t undosBefore = GmModel::instance()->numUndos();
  undo->trigger();
  waitIdle();
  EXPECT_EQ(GmModel::instance()->numUndos(), undosBefore - 1);
  ASSERT_TRUE(redo->isEnabled());
  ASSERT_TRUE(undo->isEnabled());

  Journal journal;
  auto* command = new ScriptedCommand("Long", &journal);
  command->blocking = true;
  thread()->submit(command);
  ASSERT_TRUE(zarvo_test::waitFor([&] { return journal.lines().contains("Long execute"); }));
  EXPECT_FALSE(undo->isEnabled()) << "an undo must not pass a running command";
  EXPECT_TRUE(redo->isEnabled()) << "a redo waits in the queue";
  command->release.release();
  waitIdle();
  EXPECT_TRUE(undo->isEnabled());
  redo->trigger();
  waitIdle();
  EXPECT_FALSE(redo->isEnabled());
  EXPECT_EQ(GmModel::instance()->numUndos(), undosBefore);
}

// A library failure injected into the clean-up's entry point: the command that met it is named
// in the "Internal Error" box, later commands are refused, and the window stays usable with the
// document as it was.
struct FaultRow {
  const char* name;
  CvResult result;
  const char* error;
};

void PrintTo(const FaultRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowFault : public MainWindowTest, public ::testing::WithParamInterface<FaultRow> {};

CvResult injectedResult = CvOk;

TEST_P(MainWindowFault, AnEngineFailureIsShownAndTheWindowStaysUsable) {
  const FaultRow& row = GetParam();
  start();
  open(photo());
  const QImage statuses = GmModel::instance()->statusArray()->displayImage().copy();
  injectedResult = row.result;
  corvaneEntryPoints().CvDespeckleSelection = [](CvSession*, CvImage*, uint8_t, CvProgressCallback,
                                                 void*) { return injectedResult; };
  window->cleanAllSlot();
  waitIdle();
  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(dialogs.shown.first().title, "Internal Error");
  EXPECT_EQ(dialogs.shown.first().icon, QMessageBox::Critical);
  EXPECT_EQ(dialogs.shown.first().text,
            QStringLiteral("<p>Zarvo has detected an internal error:</p><p><center>%1</center>"
                           "</p><p>while performing the operation:</p><p><center>Cleaning..."
                           "</center></p>")
                .arg(row.error));
  window->undoSlot();
  EXPECT_EQ(statusMessage(), "Please save project and exit");
  EXPECT_TRUE(window->isEnabled());
  EXPECT_NE(GmModel::instance()->segImage(), nullptr);
  EXPECT_TRUE(GmModel::instance()->statusArray()->displayImage() == statuses);
}

INSTANTIATE_TEST_SUITE_P(
    Results, MainWindowFault,
    ::testing::Values(FaultRow{"outOfMemory", CvOutOfMemory, "Out of memory"},
                      FaultRow{"libraryFault", CvEngineFailed, "Corvane library fault"},
                      FaultRow{"undoOutOfMemory", CvUndoOutOfMemory, "Out of memory"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
