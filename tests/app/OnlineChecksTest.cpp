#include <gtest/gtest.h>

#include <memory>

#include <QSettings>
#include <QSignalSpy>
#include <QUrl>

#include "WaitFor.h"
#include "app/HttpRequest.h"
#include "app/TsAppStandAlone.h"
#include "kestrum/qt/Digest.h"
#include "support/AppTestSupport.h"
#include "support/BrowserSpy.h"
#include "support/FakeAppDialogs.h"
#include "support/LoopbackHttpServer.h"

namespace {

const QString kUpdatePath = QStringLiteral("/current/zarvo.1.2.4-win.htm");
const QString kNewsPath = QStringLiteral("/news/latest_news.htm");
const QByteArray kNewsPage = "<!doctype html><html><body>Zarvo 2 is coming</body></html>\n";

// One start of the program against the loopback web: the application object with its checkers,
// without the Qt application object of its own.
class Start {
 public:
  Start() : app(TsApp::Normal) { app.createCheckers(); }
  bool settle() {
    return zarvo_test::waitFor(
        [this] { return !app.updateChecker()->isBusy() && !app.newsChecker()->isBusy(); });
  }
  TsAppStandAlone app;
};

class OnlineChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings settings;
    for (const char* key : {"UpdateSupressUntil", "NewsSupressUntil", "NewsCache", "UpdateCache"})
      settings.remove(key);
    server_.becomeApplicationProxy();
    server_.setReply(kUpdatePath, 200, "<html>current</html>");
    server_.setReply(kNewsPath, 200, kNewsPage);
  }
  static QSettings settings() { return QSettings(); }
  int requestsFor(const QString& path) const {
    int count = 0;
    for (const QString& target : server_.requests())
      if (QUrl(target).path() == path) ++count;
    return count;
  }

  LoopbackHttpServer server_;
  FakeAppDialogs dialogs_;
  BrowserSpy browser_;
};

TEST_F(OnlineChecks, RemindMeLaterHoldsTheUpdateCheckOffForADay) {
  server_.setReply(kUpdatePath, 200, "<html>notuptodate</html>");
  {
    Start start;
    dialogs_.answerExtra(1);  // "Remind Me Later" on the update box
    dialogs_.answerExtra(1);  // ... and on the news box
    start.app.runStartUpChecks();
    ASSERT_TRUE(start.settle());
  }
  ASSERT_EQ(dialogs_.shown.size(), 2);
  const auto update = dialogs_.shown[0].title == "Zarvo - New version available"
                          ? dialogs_.shown[0]
                          : dialogs_.shown[1];
  EXPECT_EQ(update.title, "Zarvo - New version available");
  EXPECT_EQ(update.text,
            "<p>Your copy of Zarvo is out of date. Please download the latest version now.</p>");
  EXPECT_EQ(update.extraButtons, QStringList({"Download Now", "Remind Me Later"}));
  const qint64 until = QSettings().value("UpdateSupressUntil").toLongLong();
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  EXPECT_GT(until, now + 22 * 3600);
  EXPECT_LT(until, now + 26 * 3600);
  EXPECT_TRUE(browser_.opened.isEmpty());

  const int before = requestsFor(kUpdatePath);
  Start next;
  next.app.runStartUpChecks();
  ASSERT_TRUE(next.settle());
  EXPECT_EQ(requestsFor(kUpdatePath), before);
}

TEST_F(OnlineChecks, DownloadNowOpensTheDownloadPageAndClosesTheWindow) {
  server_.setReply(kUpdatePath, 200, "<html>notuptodate</html>");
  server_.setReply(kNewsPath, 404, "gone");
  Start start;
  start.app.showMainWindow();  // the window starts the checks
  QPointer<QMainWindow> window = start.app.mainWindow();
  ASSERT_TRUE(window);
  dialogs_.answerExtra(0);
  ASSERT_TRUE(start.settle());
  ASSERT_EQ(dialogs_.shown.size(), 2);
  EXPECT_EQ(dialogs_.shown[1].title, "Zarvo - Exiting");
  EXPECT_EQ(browser_.opened,
            QStringList({"http://www.orbeltech.example/current/zarvo-download.htm"}));
  EXPECT_TRUE(zarvo_test::waitFor([&] { return !window || !window->isVisible(); }));
  EXPECT_FALSE(QSettings().contains("UpdateSupressUntil"));
}

TEST_F(OnlineChecks, TheNewsDigestIsStoredOnlyWhenTheUserReadsTheNews) {
  Start start;
  dialogs_.answerExtra(1);  // Remind Me Later
  start.app.newsChecker()->kickOffTransfer(false);
  ASSERT_TRUE(start.settle());
  ASSERT_EQ(dialogs_.shown.size(), 1);
  EXPECT_EQ(dialogs_.shown[0].title, "Zarvo - News Update");
  EXPECT_FALSE(QSettings().contains("NewsCache"));
  EXPECT_TRUE(QSettings().contains("NewsSupressUntil"));

  QSettings().remove("NewsSupressUntil");
  dialogs_.answerExtra(0);  // Yes
  start.app.newsChecker()->kickOffTransfer(false);
  ASSERT_TRUE(start.settle());
  ASSERT_EQ(dialogs_.shown.size(), 2);
  const QByteArray slice = kNewsPage.mid(
      kNewsPage.indexOf("<html"), kNewsPage.indexOf("</html>") + 7 - kNewsPage.indexOf("<html"));
  EXPECT_EQ(QSettings().value("NewsCache").toByteArray(),
            kestrum::textDigest(QString::fromUtf8(slice)));
  EXPECT_EQ(browser_.opened, QStringList({"http://zarvo.orbeltech.example/news/latest_news.htm"}));

  // Unchanged since the user read it: nothing is offered.
  start.app.newsChecker()->kickOffTransfer(false);
  ASSERT_TRUE(start.settle());
  EXPECT_EQ(dialogs_.shown.size(), 2);
}

TEST_F(OnlineChecks, ReadingTheNewsFromTheMenuStoresTheDigestWithoutAQuestion) {
  Start start;
  start.app.checkForNewsSlot();
  ASSERT_TRUE(start.settle());
  EXPECT_TRUE(dialogs_.shown.isEmpty());
  EXPECT_EQ(browser_.opened, QStringList({"http://zarvo.orbeltech.example/news/latest_news.htm"}));
  EXPECT_EQ(QSettings().value("NewsCache").toByteArray().size(), 16);
}

TEST_F(OnlineChecks, ANotFoundNewsPageDisablesTheNewsAndALaterPageEnablesIt) {
  Start start;
  EXPECT_TRUE(start.app.newsAvailable());
  QSignalSpy availability(&start.app, &TsApp::newsAvailability);
  server_.setReply(kNewsPath, 404, "gone");
  start.app.newsChecker()->kickOffTransfer(true);
  ASSERT_TRUE(start.settle());
  EXPECT_FALSE(start.app.newsAvailable());
  server_.setReply(kNewsPath, 200, kNewsPage);
  start.app.newsChecker()->kickOffTransfer(true);
  ASSERT_TRUE(start.settle());
  EXPECT_TRUE(start.app.newsAvailable());
  ASSERT_EQ(availability.count(), 2);
  EXPECT_FALSE(availability.at(0).at(0).toBool());
  EXPECT_TRUE(availability.at(1).at(0).toBool());
  EXPECT_FALSE(logLinesWith("return no error but non-200 status code 404 - Status").isEmpty());
}

TEST_F(OnlineChecks, TwoKickOffsSendOneRequest) {
  HttpRequest checker(QStringLiteral("http://zarvo.orbeltech.example") + kNewsPath, "News", true);
  QSignalSpy responses(&checker, &HttpRequest::response);
  checker.kickOffTransfer(false);
  checker.kickOffTransfer(true);
  EXPECT_TRUE(checker.forced());
  ASSERT_TRUE(zarvo_test::waitFor([&] { return !checker.isBusy(); }));
  EXPECT_EQ(server_.requests().size(), 1);
  ASSERT_EQ(responses.count(), 1);
  EXPECT_TRUE(responses.at(0).at(1).toBool());  // the second kick-off's flag
}

TEST_F(OnlineChecks, ASilentServerTimesOutAndTheCheckerCanTryAgain) {
  server_.setSilent(true);
  HttpRequest checker(QStringLiteral("http://zarvo.orbeltech.example") + kNewsPath, "News", true);
  checker.setTimeout(300);
  QSignalSpy statuses(&checker, &HttpRequest::httpStatusCode);
  checker.kickOffTransfer(true);
  EXPECT_TRUE(checker.isBusy());
  ASSERT_TRUE(zarvo_test::waitFor([&] { return !checker.isBusy(); }));
  EXPECT_EQ(statuses.count(), 0);
  EXPECT_FALSE(
      logLinesWith("Error getting URL: http://zarvo.orbeltech.example/news/latest_news.htm. "
                   "no answer within 0.3 s")
          .isEmpty());
  checker.kickOffTransfer(true);
  ASSERT_TRUE(zarvo_test::waitFor([&] { return !checker.isBusy(); }));
  EXPECT_EQ(server_.requests().size(), 2);
}

TEST_F(OnlineChecks, AnOversizedReplyIsAbandoned) {
  server_.setReply(kNewsPath, 200, QByteArray(3 << 20, 'x'));
  HttpRequest checker(QStringLiteral("http://zarvo.orbeltech.example") + kNewsPath, "News", true);
  QSignalSpy responses(&checker, &HttpRequest::response);
  checker.kickOffTransfer(true);
  ASSERT_TRUE(zarvo_test::waitFor([&] { return !checker.isBusy(); }));
  EXPECT_EQ(responses.count(), 0);
  EXPECT_FALSE(logLinesWith("reply larger than 1048576 bytes").isEmpty());
}

TEST(ReplyEvaluation, APageWithoutMarkersIsAlwaysNewAndStoresAnEmptyDigest) {
  QSettings().remove("NewsCache");
  HttpRequest checker(QStringLiteral("http://zarvo.orbeltech.example/news"), "News", true);
  int offered = 0;
  QObject::connect(&checker, &HttpRequest::response, [&](QString, bool) {
    ++offered;
    return true;
  });
  checker.evaluateReply(200, "OK", "plain text, no markers");
  checker.evaluateReply(200, "OK", "plain text, no markers");
  EXPECT_EQ(offered, 2);
  EXPECT_TRUE(QSettings().contains("NewsCache"));
  EXPECT_TRUE(QSettings().value("NewsCache").toByteArray().isEmpty());
  EXPECT_FALSE(checker.isBusy());
}

TEST(ReplyEvaluation, TheUpdatePageCountsOnlyItsMarker) {
  TsAppStandAlone app(TsApp::Normal);
  FakeAppDialogs dialogs;
  EXPECT_TRUE(app.updateCheckerCallbackSlot("<html>an error page</html>", false));
  EXPECT_TRUE(app.updateCheckerCallbackSlot("NotUpToDate", false));  // case counts
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

}  // namespace
