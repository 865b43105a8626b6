#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/Flogger.h"
#include "support/AppTestSupport.h"

namespace {

const QRegularExpression kTimePrefix(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));

// A file last modified at noon of the day `days` before today.
void touchDaysAgo(const QString& path, int days) {
  ASSERT_TRUE(writeFile(path, "old"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime(QDate::currentDate().addDays(-days), QTime(12, 0)),
                               QFileDevice::FileModificationTime));
}

// Installs the log's handler with the application's tables for the life of the object.
class InstalledLog {
 public:
  InstalledLog() {
    for (QtMsgType type : {QtDebugMsg, QtWarningMsg, QtCriticalMsg, QtInfoMsg})
      log.setWriteToLog(type, type != QtDebugMsg);
    log.setPreviousHandler(qInstallMessageHandler(logMessageHandler));
  }
  Flogger log;
};

TEST(Log, PathsShareOneBaseNamedAfterTheStart) {
  const QString base = logBasePath();
  EXPECT_EQ(logFilePath(), base + ".txt");
  EXPECT_EQ(crashDumpFileName(), base + ".dmp");
  EXPECT_EQ(QFileInfo(base).absolutePath(),
            QDir(QDir::tempPath()).canonicalPath() + QStringLiteral("/Zarvo"));
  EXPECT_EQ(QFileInfo(base).fileName(),
            firstStartTime().toString(QStringLiteral("yyyy.MM.dd_hh.mm.ss.zzz")));
}

TEST(Log, FirstLineNamesTheFileAndEveryLineIsStamped) {
  QFile::remove(logFilePath());
  {
    Flogger log;
    flog() << "counted " << 42;
    flogEndl();
  }
  const QStringList lines =
      QString::fromUtf8(readFile(logFilePath())).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].contains(kTimePrefix));
  EXPECT_TRUE(lines[0].endsWith(logFilePath()));
  EXPECT_TRUE(lines[1].contains(kTimePrefix));
  EXPECT_TRUE(lines[1].endsWith("counted 42"));
}

TEST(Log, MessagesFollowTheTables) {
  const int earlier = logLinesWith(QStringLiteral("table-probe")).size();  // the process's log
  {
    InstalledLog installed;
    qDebug("table-probe debug");
    qInfo("table-probe info");
    qWarning("table-probe warning");
    qCritical("table-probe critical");
  }
  const QStringList lines = logLinesWith(QStringLiteral("table-probe")).mid(earlier);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].endsWith("table-probe info"));
  EXPECT_TRUE(lines[1].endsWith("table-probe warning"));
  EXPECT_TRUE(lines[2].endsWith("table-probe critical"));
}

TEST(Log, EightThreadsWriteWholeLines) {
  constexpr int kThreads = 8;
  constexpr int kLines = 400;
  const QString payload(300, QLatin1Char('x'));
  const int earlier = logLinesWith(QStringLiteral("race-probe")).size();  // the process's log
  {
    InstalledLog installed;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([t, &payload] {
        for (int i = 0; i < kLines; ++i) qWarning("race-probe %d %d %s", t, i, qPrintable(payload));
      });
    }
    for (int i = 0; i < 100; ++i) {  // the GUI thread composes lines meanwhile
      flog() << "race-probe gui " << i << " " << payload;
      flogEndl();
    }
    for (std::thread& thread : threads) thread.join();
  }
  const QRegularExpression whole(
      QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d race-probe "
                     "(\\d+|gui) \\d+ x{300}$"));
  const QStringList lines = logLinesWith(QStringLiteral("race-probe")).mid(earlier);
  EXPECT_EQ(lines.size(), kThreads * kLines + 100);
  for (const QString& line : lines) ASSERT_TRUE(whole.match(line).hasMatch()) << qPrintable(line);
}

TEST(Log, OldLogsGoByCalendarDaysAndNothingElseIsTouched) {
  QTemporaryDir folder;
  struct Row {
    const char* name;
    int daysOld;
    bool stays;
  };
  const Row rows[] = {
      {"2020.01.01_00.00.00.000.txt", 9, false},
      {"2020.01.02_00.00.00.000.txt", 8, false},
      {"2020.01.03_00.00.00.000.txt", 7, false},
      {"2020.01.04_00.00.00.000.txt", 6, true},
      {"2020.01.05_00.00.00.000.txt", 5, true},
      {"2020.01.01_00.00.00.000.dmp", 30, true},
      {"notes.txt", 30, true},
      {"1999.01.01_00.00.00.000.txt", 30, true},
  };
  for (const Row& row : rows) touchDaysAgo(folder.filePath(row.name), row.daysOld);
  EXPECT_EQ(removeOldLogs(folder.path(), QDateTime::currentDateTime()), 3);
  for (const Row& row : rows)
    EXPECT_EQ(QFile::exists(folder.filePath(row.name)), row.stays) << row.name;
}

TEST(Log, StartingALogCleansItsFolder) {
  const QString old = logFolder() + QStringLiteral("/2019.05.05_05.05.05.555.txt");
  touchDaysAgo(old, 12);
  Flogger log;
  EXPECT_FALSE(QFile::exists(old));
  EXPECT_TRUE(log.hasLogFile());
}

TEST(Log, AFolderItMakesIsOwnerOnlyAndAnExistingOneKeepsItsPermissions) {
  QDir(logFolder()).removeRecursively();
  { Flogger log; }
  const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadUser |
                                             QFileDevice::WriteUser | QFileDevice::ExeUser;
  EXPECT_EQ(QFile::permissions(logFolder()), ownerOnly);

  const QFileDevice::Permissions shared = ownerOnly | QFileDevice::ReadGroup |
                                          QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther;
  ASSERT_TRUE(QFile::setPermissions(logFolder(), shared));
  { Flogger log; }
  EXPECT_EQ(QFile::permissions(logFolder()), shared);
}

}  // namespace
