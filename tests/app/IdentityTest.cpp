#include <gtest/gtest.h>

#include <cctype>

#include <QSettings>
#include <QTemporaryDir>

#include "app/AppIdentity.h"
#include "app/SettingsIdentity.h"

namespace {

TEST(Identity, AddressesOfTheSite) {
  EXPECT_EQ(updatePageUrl(), "http://www.orbeltech.example/current/zarvo.1.2.4-win.htm");
  EXPECT_EQ(downloadPageUrl(), "http://www.orbeltech.example/current/zarvo-download.htm");
  EXPECT_EQ(latestNewsUrl(), "http://zarvo.orbeltech.example/news/latest_news.htm");
  EXPECT_EQ(helpManualsPageUrl(),
            "http://zarvo.orbeltech.example/support-manuals-tutorials-zarvo.html");
  EXPECT_EQ(webPageUrl(QString()), QString());
  EXPECT_EQ(versionText(), "1.2.4");
  EXPECT_EQ(QString::fromLatin1(buildRevision()).size(), 40);
  for (const char* digit = buildRevision(); *digit; ++digit)
    EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(*digit)));
}

// System and user settings in folders of the test's own.
class InstallationId : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system_.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, user_.path());
  }
  void TearDown() override {
    // Back to the folders the environment names, as Qt found them at start.
    QString system = qEnvironmentVariable("XDG_CONFIG_DIRS").section(QLatin1Char(':'), 0, 0);
    if (system.isEmpty()) system = QStringLiteral("/etc/xdg");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       qEnvironmentVariable("XDG_CONFIG_HOME"));
  }

  QTemporaryDir system_;
  QTemporaryDir user_;
};

TEST_F(InstallationId, ANewSystemIdDiscardsTheUsersLayoutOnce) {
  struct Row {
    const char* name;
    const char* systemId;  // null: none stored
    const char* userId;
    bool discarded;
  };
  const Row rows[] = {
      {"no system id", nullptr, "A", false}, {"empty system id", "", "A", false},
      {"same id", "A", "A", false},          {"user has none", "A", nullptr, true},
      {"different id", "B", "A", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    {
      QSettings system(QSettings::SystemScope, "OrbelTech", "Zarvo");
      system.clear();
      if (row.systemId) system.setValue("ID", row.systemId);
      QSettings user(QSettings::UserScope, "OrbelTech", "Zarvo");
      user.clear();
      if (row.userId) user.setValue("ID", row.userId);
      user.setValue("UI/Geometry", QByteArray("g"));
      user.setValue("PersistVersion", 2);
      user.setValue("Keep", 1);
    }
    EXPECT_EQ(syncInstallationId(), row.discarded);
    QSettings user(QSettings::UserScope, "OrbelTech", "Zarvo");
    user.setFallbacksEnabled(false);
    EXPECT_EQ(user.contains("UI/Geometry"), !row.discarded);
    EXPECT_EQ(user.contains("PersistVersion"), !row.discarded);
    EXPECT_TRUE(user.contains("Keep"));
    if (row.discarded) {
      EXPECT_EQ(user.value("ID").toString(), row.systemId);
    }
    EXPECT_FALSE(syncInstallationId());  // once
  }
}

TEST_F(InstallationId, TheMachineIdIsMadeOnceInTheSystemScope) {
  const QString first = ensureMachineId();
  EXPECT_FALSE(first.isEmpty());
  EXPECT_EQ(QSettings(QSettings::SystemScope, "OrbelTech").value("MID").toString(), first);
  QSettings user(QSettings::UserScope, "OrbelTech");
  user.setFallbacksEnabled(false);
  EXPECT_FALSE(user.contains("MID"));
  EXPECT_EQ(ensureMachineId(), first);
}

}  // namespace
