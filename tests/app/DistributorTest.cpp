#include <gtest/gtest.h>

#include "app/AppIdentity.h"
#include "app/DistributorInfo.h"

namespace {

const char* const kComplete =
    "<Distributor id='acme'>"
    "<HomePage enabled='1'/><LatestNews enabled='0'/><CheckForUpdates enabled='1'/>"
    "<AboutBoxText>Sold by Acme</AboutBoxText><Email support='help@acme.example'/>"
    "</Distributor>";

TEST(Distributor, ReadsAWholeFileOrNothing) {
  struct Row {
    const char* name;
    const char* xml;
    const char* errors;  // the error text, in reading order
    bool applied;
  };
  const Row rows[] = {
      {"complete", kComplete, "", true},
      {"no email",
       "<D id='x'><HomePage enabled='0'/><LatestNews enabled='1'/>"
       "<CheckForUpdates enabled='0'/><AboutBoxText/></D>",
       "", true},
      {"true is not a flag value",
       "<D id='x'><HomePage enabled='true'/><LatestNews enabled='1'/>"
       "<CheckForUpdates enabled='1'/><AboutBoxText/></D>",
       "Error: Invalid value 'true' for attribute 'enabled' of element 'HomePage'\n", false},
      {"every error in order", "<D><HomePage/><CheckForUpdates enabled='1'/><Email/></D>",
       "Error: Expected attribute 'id' to be defined for tag 'D'\n"
       "Error: Expected attribute 'enabled' to be defined for tag 'HomePage'\n"
       "Error: Could not find element 'LatestNews', child of 'D'\n"
       "Error: Could not find element 'AboutBoxText', child of 'D'\n"
       "Error: Expected attribute 'support' to be defined for tag 'Email'\n",
       false},
      {"unparsable", "<D id='x'><HomePage", "Error: line 1, col 20: unexpected end of file\n",
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QString errors;
    const DistributorRecord record = readDistributorRecord(row.xml, &errors);
    EXPECT_EQ(errors, QString::fromUtf8(row.errors));
    if (!row.applied) {
      EXPECT_TRUE(record.id.isEmpty());
      EXPECT_TRUE(record.aboutBoxText.isEmpty());
      EXPECT_TRUE(record.homePage && record.latestNews && record.checkForUpdates);
    }
  }
}

TEST(Distributor, ACompleteFileSetsEveryValue) {
  QString errors;
  const DistributorRecord record = readDistributorRecord(kComplete, &errors);
  EXPECT_EQ(record.id, "acme");
  EXPECT_TRUE(record.homePage);
  EXPECT_FALSE(record.latestNews);
  EXPECT_TRUE(record.checkForUpdates);
  EXPECT_EQ(record.aboutBoxText, "Sold by Acme");
  EXPECT_EQ(record.supportEmail, "help@acme.example");
}

TEST(Distributor, DeepNestingIsRefusedBeforeParsing) {
  const QByteArray deep =
      "<D id='x'>" + QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300) + "</D>";
  QString errors;
  const DistributorRecord record = readDistributorRecord(deep, &errors);
  EXPECT_TRUE(errors.startsWith("Error: line 1, col "));
  EXPECT_TRUE(errors.endsWith(": elements nested deeper than 256\n"));
  EXPECT_TRUE(record.id.isEmpty());
}

TEST(Distributor, NoFileLeavesTheDefaults) {
  // The test program's folder holds no distributor files.
  EXPECT_TRUE(DistributorInfo::id().isEmpty());
  EXPECT_TRUE(DistributorInfo::aboutBoxText().isEmpty());
  EXPECT_TRUE(DistributorInfo::logo().isNull());
  EXPECT_TRUE(DistributorInfo::record().checkForUpdates);
  EXPECT_TRUE(DistributorInfo::record().latestNews);
  EXPECT_TRUE(DistributorInfo::record().homePage);
  EXPECT_EQ(distributorsUrl(), companyWebRoot());
}

}  // namespace
