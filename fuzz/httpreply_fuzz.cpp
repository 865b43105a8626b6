// A web reply from hostile bytes into the checkers' evaluation: two bytes of HTTP status, one of
// flags (use the digest cache, accepted by the user), then the body, evaluated twice (the second
// time against the digest the first may have stored). No request is sent. The settings go to a
// folder of the run's own; the log folder is made impossible, so no log is written.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "app/HttpRequest.h"

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

void ensureApplication() {
  static QCoreApplication* application = [] {
    char folderTemplate[] = "/tmp/zarvo-httpreply-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (!folder) std::abort();
    const std::string root(folder);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("TMPDIR", root.c_str(), 1);
    QFile blocker(QString::fromStdString(root + "/Zarvo"));  // a file where the log folder goes
    blocker.open(QIODevice::WriteOnly);
    static int argc = 1;
    static char name[] = "httpreply_fuzz";
    static char* argv[] = {name, nullptr};
    auto* app = new QCoreApplication(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("OrbelTech"));
    QCoreApplication::setApplicationName(QStringLiteral("Zarvo"));
    qInstallMessageHandler(quiet);
    return app;
  }();
  Q_UNUSED(application);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensureApplication();
  if (size < 3) return 0;
  // Two checkers for the run (one per cache mode): a network manager per input would pile up
  // objects that only an event loop deletes.
  static bool accept = false;
  static HttpRequest* checkers[2] = {nullptr, nullptr};
  const int useCache = data[2] & 1;
  if (!checkers[useCache]) {
    checkers[useCache] =
        new HttpRequest(QStringLiteral("http://zarvo.orbeltech.example/news/latest_news.htm"),
                        QStringLiteral("News"), useCache != 0);
    QObject::connect(checkers[useCache], &HttpRequest::response,
                     [](QString, bool) { return accept; });
  }
  HttpRequest& checker = *checkers[useCache];
  accept = (data[2] & 2) != 0;
  const int status = data[0] << 8 | data[1];
  const QByteArray body(reinterpret_cast<const char*>(data + 3), int(size - 3));
  for (int round = 0; round < 2; ++round) {
    checker.evaluateReply(status, QStringLiteral("Reason"), body);
    if (checker.isBusy() || checker.statusCode() != status) std::abort();
  }
  return 0;
}
