#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/Flogger.h"
#include "app/ProblemReports.h"
#include "support/AppTestSupport.h"
#include "support/FakeAppDialogs.h"

namespace {

class ProblemReports : public ::testing::Test {
 protected:
  // The folder keeps the run's own log: only reports and their remains go.
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(folder()));
    QDir(at("Event")).removeRecursively();
    QFile::remove(at("Event"));
    QDir logs(folder());
    for (const QString& name : logs.entryList({"2024.*", "*.dmp", "*.DMP"}, QDir::Files))
      logs.remove(name);
  }
  static QString folder() { return logFolder(); }
  static QString at(const QString& name) { return folder() + QLatin1Char('/') + name; }

  FakeAppDialogs dialogs;
};

const QString kEarly = QStringLiteral("2024.03.01_10.00.00.000");
const QString kLate = QStringLiteral("2024.03.02_10.00.00.000");

TEST_F(ProblemReports, TheEarliestDumpAndItsLogAreReportedAndTheOthersGo) {
  for (const QString& base : {kEarly, kLate}) {
    ASSERT_TRUE(writeFile(at(base + ".dmp"), "Zarvo crash report\n"));
    ASSERT_TRUE(writeFile(at(base + ".txt"), "log\n"));
  }
  ASSERT_TRUE(writeFile(at("Event/2023.01.01_00.00.00.000.dmp"), "an older report\n"));

  const QString reported = checkProblemReports(nullptr);
  const QString event = QDir(at("Event")).canonicalPath();
  EXPECT_EQ(reported, event);
  EXPECT_EQ(QDir(event).entryList(QDir::Files, QDir::Name),
            QStringList({kEarly + ".dmp", kEarly + ".txt"}));
  EXPECT_FALSE(QFile::exists(at(kLate + ".dmp")));
  EXPECT_TRUE(QFile::exists(at(kLate + ".txt")));  // left to the age clean-up

  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(dialogs.shown[0].icon, QMessageBox::Information);
  EXPECT_EQ(dialogs.shown[0].title, "Problem Reports Detected");
  EXPECT_TRUE(dialogs.shown[0].text.startsWith("<p>Zarvo recently shutdown unexpectedly."));
  EXPECT_TRUE(dialogs.shown[0].text.contains("<font color='blue'>" + event + "</font>"));
  EXPECT_TRUE(dialogs.shown[0].text.contains("support@orbeltech.example"));

  EXPECT_TRUE(checkProblemReports(nullptr).isEmpty());  // nothing left to report
  EXPECT_EQ(dialogs.shown.size(), 1);
}

TEST_F(ProblemReports, ADumpWithoutItsLogIsReportedAlone) {
  ASSERT_TRUE(writeFile(at(kLate + ".dmp"), "Zarvo crash report\n"));
  EXPECT_FALSE(checkProblemReports(nullptr).isEmpty());
  EXPECT_EQ(QDir(at("Event")).entryList(QDir::Files), QStringList({kLate + ".dmp"}));
}

TEST_F(ProblemReports, WithoutAReportFolderNothingMovesOrGoes) {
  for (const QString& base : {kEarly, kLate})
    ASSERT_TRUE(writeFile(at(base + ".dmp"), "Zarvo crash report\n"));
  ASSERT_TRUE(writeFile(at("Event"), "a file where the folder should be"));
  EXPECT_TRUE(checkProblemReports(nullptr).isEmpty());
  EXPECT_TRUE(QFile::exists(at(kEarly + ".dmp")));
  EXPECT_TRUE(QFile::exists(at(kLate + ".dmp")));
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ProblemReports, NoDumpNoReport) {
  ASSERT_TRUE(writeFile(at(kEarly + ".txt"), "log\n"));
  ASSERT_TRUE(writeFile(at(kEarly + ".DMP"), "not ours\n"));
  EXPECT_TRUE(checkProblemReports(nullptr).isEmpty());
  EXPECT_FALSE(QDir(at("Event")).exists());
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

}  // namespace
