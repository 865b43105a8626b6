#include <gtest/gtest.h>

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "WaitFor.h"
#include "app/CrashGuard.h"
#include "support/AppTestSupport.h"
#include "support/ChildSandbox.h"

namespace {

const QByteArray kSorry = "Sorry - Zarvo has encountered a problem and is exiting.";

// Sends `signal` to one thread of `pid`.
void signalThread(qint64 pid, qint64 thread, int signal) {
  ASSERT_EQ(::syscall(SYS_tgkill, pid_t(pid), pid_t(thread), signal), 0);
}

// Starts the test host's "hold" driver and waits until its window is up; the worker's thread id.
qint64 startHolding(ChildSandbox& sandbox, QProcess& process, const QStringList& arguments = {}) {
  if (!sandbox.start(process, ZARVO_TESTHOST, QStringList{"hold"} + arguments)) return 0;
  return sandbox.waitForLine(process, "ready ").mid(6).toLongLong();
}

// The report beside the run's log, checked for the signal and its frames; its text.
QString checkReport(const ChildSandbox& sandbox, const QString& signalLine) {
  const QStringList dumps = sandbox.dumps();
  EXPECT_EQ(dumps.size(), 1);
  if (dumps.size() != 1) return QString();
  const QString base = QFileInfo(dumps.first()).completeBaseName();
  EXPECT_EQ(sandbox.logs(), QStringList({base + ".txt"}));
  const QString report = QString::fromUtf8(readFile(sandbox.logFolder() + "/" + dumps.first()));
  EXPECT_TRUE(report.startsWith("Zarvo crash report\n" + signalLine + "\n")) << qPrintable(report);
  EXPECT_TRUE(report.contains(QRegularExpression("\nRevision: [0-9a-f]{40}\n")));
  const int frames = report.indexOf("\nFrames:\n");
  EXPECT_GT(frames, 0);
  EXPECT_GE(report.mid(frames + 9).count('\n'), 3) << qPrintable(report);
  return report;
}

TEST(Crash, ASegmentationFaultOnTheMainThreadLeavesAReport) {
  ChildSandbox sandbox;
  QProcess process;
  ASSERT_GT(startHolding(sandbox, process), 0);
  const qint64 pid = process.processId();
  signalThread(pid, pid, SIGSEGV);
  const ChildRun end = sandbox.finish(process);
  ASSERT_TRUE(end.finished && end.normalExit);
  EXPECT_EQ(end.exitCode, 255);
  EXPECT_TRUE(end.err.contains(kSorry));
  const QString report = checkReport(sandbox, "Signal: 11 SIGSEGV");
  EXPECT_TRUE(report.contains(QStringLiteral("\nThread: %1\n").arg(pid))) << qPrintable(report);
}

TEST(Crash, ASegmentationFaultOnAWorkerLeavesAReport) {
  ChildSandbox sandbox;
  QProcess process;
  const qint64 worker = startHolding(sandbox, process);
  ASSERT_GT(worker, 0);
  ASSERT_NE(worker, process.processId());
  signalThread(process.processId(), worker, SIGSEGV);
  const ChildRun end = sandbox.finish(process);
  ASSERT_TRUE(end.finished && end.normalExit);
  EXPECT_EQ(end.exitCode, 255);
  EXPECT_TRUE(end.err.contains(kSorry));
  const QString report = checkReport(sandbox, "Signal: 11 SIGSEGV");
  EXPECT_TRUE(report.contains(QStringLiteral("\nThread: %1\n").arg(worker)));
}

TEST(Crash, AFatalQtMessageIsLoggedAndReported) {
  ChildSandbox sandbox;
  const ChildRun run = sandbox.runHost("fatal");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 255);
  EXPECT_TRUE(run.err.contains(kSorry));
  checkReport(sandbox, "Signal: 6 SIGABRT");
  EXPECT_TRUE(sandbox.latestLogText().contains("Driver: fatal message"));

  // The next start's main window tells of the report and keeps the pair in "Event".
  const QString base = QFileInfo(sandbox.dumps().value(0)).completeBaseName();
  const ChildRun next = sandbox.runHost("startup");
  ASSERT_EQ(next.exitCode, 0) << next.err.constData();
  EXPECT_TRUE(sandbox.latestLogText().contains("Dialog: Problem Reports Detected | "));
  EXPECT_EQ(QDir(sandbox.logFolder() + "/Event").entryList(QDir::Files, QDir::Name),
            QStringList({base + ".dmp", base + ".txt"}));
  EXPECT_TRUE(sandbox.dumps().isEmpty());
}

TEST(Crash, TheProgramItselfLeavesAReport) {
  ChildSandbox sandbox;
  QProcess process;
  ASSERT_TRUE(sandbox.start(process, ZARVO_PROGRAM, QStringList()));
  // Up once its log tells the version (the guard is in place long before).
  ASSERT_TRUE(
      zarvo_test::waitFor([&] { return sandbox.latestLogText().contains("Version: 1.2.4 ("); },
                          zarvo_test::childLimitMs()))
      << qPrintable(sandbox.latestLogText());
  ::kill(pid_t(process.processId()), SIGSEGV);
  const ChildRun end = sandbox.finish(process);
  ASSERT_TRUE(end.finished && end.normalExit);
  EXPECT_EQ(end.exitCode, 255);
  EXPECT_TRUE(end.err.contains(kSorry));
  checkReport(sandbox, "Signal: 11 SIGSEGV");
}

TEST(Crash, AnUnwritableDumpPathLeavesNoFile) {
  ChildSandbox sandbox;
  // The log folder's name is taken by a file: neither log nor report can be made there.
  ASSERT_TRUE(writeFile(sandbox.logFolder(), "not a folder"));
  QProcess process;
  ASSERT_GT(startHolding(sandbox, process), 0);
  signalThread(process.processId(), process.processId(), SIGSEGV);
  const ChildRun end = sandbox.finish(process);
  ASSERT_TRUE(end.finished && end.normalExit);
  EXPECT_EQ(end.exitCode, 255);
  EXPECT_TRUE(end.err.contains(kSorry));
  EXPECT_EQ(QDir(sandbox.temporary()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList({"Zarvo"}));
  EXPECT_EQ(readFile(sandbox.logFolder()), "not a folder");
}

TEST(Crash, TheCrashBoxPrintsItsTextWithoutAScreen) {
  ChildSandbox sandbox;
  const QString box = QFileInfo(ZARVO_PROGRAM).absolutePath() + "/zarvo-crashbox";
  const ChildRun run = sandbox.run(box, {"Orbel Zarvo", QString::fromLatin1(kSorry)});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, kSorry + "\n");
}

TEST(Crash, ADumpPathTooLongIsRefusedNotCut) {
  const QByteArray kept = crashDumpPath();
  EXPECT_FALSE(setCrashDumpPath(QByteArray(5000, 'a')));
  EXPECT_STREQ(crashDumpPath(), "");
  EXPECT_TRUE(setCrashDumpPath("/tmp/zarvo-report.dmp"));
  EXPECT_STREQ(crashDumpPath(), "/tmp/zarvo-report.dmp");
  setCrashDumpPath(kept);
}

}  // namespace
