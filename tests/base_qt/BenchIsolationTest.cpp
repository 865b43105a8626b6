// A benchmark run keeps to folders of its own: a benchmark on the shared benchmark main writes
// settings and a temporary file, and the caller's settings and temporary folders stay empty.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "WaitFor.h"

namespace {

TEST(BenchmarkMain, ARunLeavesTheCallersFoldersUntouched) {
  QTemporaryDir config, temporary;
  ASSERT_TRUE(config.isValid() && temporary.isValid());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  environment.insert(QStringLiteral("TMPDIR"), temporary.path());
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  QProcess probe;
  probe.setProcessEnvironment(environment);
  probe.start(QStringLiteral(ZARVO_BENCH_PROBE), {QStringLiteral("--benchmark_min_time=0")});
  ASSERT_TRUE(probe.waitForFinished(zarvo_test::childLimitMs()));
  const QString err = QString::fromLocal8Bit(probe.readAllStandardError());
  ASSERT_EQ(probe.exitStatus(), QProcess::NormalExit) << err.toStdString();
  ASSERT_EQ(probe.exitCode(), 0) << err.toStdString();

  for (const char* what : {"settings", "temporary"}) {
    SCOPED_TRACE(what);
    const QRegularExpressionMatch line = QRegularExpression(QStringLiteral("^%1 (\\S+)$").arg(what),
                                                            QRegularExpression::MultilineOption)
                                             .match(err);
    ASSERT_TRUE(line.hasMatch()) << err.toStdString();
    const QString path = line.captured(1);
    EXPECT_TRUE(path.startsWith(QStringLiteral("/tmp/zarvo-bench-"))) << path.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path)) << "the run's folders are removed at its end";
  }
  const auto entries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
  EXPECT_TRUE(QDir(config.path()).entryList(entries).isEmpty());
  EXPECT_TRUE(QDir(temporary.path()).entryList(entries).isEmpty());
}

}  // namespace
