#include <gtest/gtest.h>

#include "support/AppTestSupport.h"
#include "support/ChildSandbox.h"
#include "support/LoopbackHttpServer.h"

namespace {

// A start with a distributor file (or none) beside the program, against the loopback web.
struct BrandingRow {
  const char* name;
  const char* xml;  // null: no file
  int requests;     // pages the start asks for
  bool errorsLogged;
  const char* help;  // the Help menu the main window offers
};

void PrintTo(const BrandingRow& row, std::ostream* out) {
  *out << row.name;
}

class Branding : public ::testing::TestWithParam<BrandingRow> {};

const char* const kEveryLink =
    "Zarvo &Help|&Tutorials|Home Page|Latest &News|-|&Check for Updates|-|&About Zarvo ...";

TEST_P(Branding, TheDistributorDecidesWhichChecksExist) {
  const BrandingRow& row = GetParam();
  ChildSandbox sandbox;
  LoopbackHttpServer server;
  sandbox.set("http_proxy", server.proxyUrl());
  const QString file = sandbox.appDir() + "/distributor.xml";
  if (row.xml) {
    ASSERT_TRUE(writeFile(file, row.xml));
  }

  const ChildRun run = sandbox.runHost("startup");
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.err.constData();
  EXPECT_EQ(server.requests().size(), row.requests) << qPrintable(server.requests().join(' '));
  const QString log = sandbox.latestLogText();
  EXPECT_EQ(log.contains("ERRORS found in" + file + "\nError: "), row.errorsLogged)
      << qPrintable(log);
  EXPECT_EQ(log.contains("Update Current : "), row.requests > 0);
  EXPECT_TRUE(run.out.contains(QByteArray("help ") + row.help + "\n")) << run.out.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Child, Branding,
    ::testing::Values(BrandingRow{"noFile", nullptr, 2, false, kEveryLink},
                      BrandingRow{
                          "checksOff",
                          "<D id='acme'><HomePage enabled='1'/><LatestNews enabled='0'/>"
                          "<CheckForUpdates enabled='0'/><AboutBoxText>Acme</AboutBoxText></D>",
                          0, false, "Zarvo &Help|&Tutorials|Home Page|-|&About Zarvo ..."},
                      BrandingRow{"brokenActsAsNone",
                                  "<D id='acme'><HomePage enabled='1'/><LatestNews enabled='0'/>"
                                  "<CheckForUpdates enabled='false'/><AboutBoxText/></D>",
                                  2, true, kEveryLink}),
    [](const ::testing::TestParamInfo<BrandingRow>& info) { return std::string(info.param.name); });

}  // namespace
