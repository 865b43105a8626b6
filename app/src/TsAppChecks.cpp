// The application object's online checks and the addresses of its help pages.

#include <QDesktopServices>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/DistributorInfo.h"
#include "app/HttpRequest.h"
#include "app/TsApp.h"
#include "kestrum/qt/AppPaths.h"

namespace {

QString titled(const QString& what) {
  return QStringLiteral("%1 - %2").arg(productName(), what);
}

// An information box over the main window with `what` in its title, `text` as its paragraph and
// two buttons, accepting and rejecting; true when the accepting one was chosen.
bool askWithTwoButtons(QWidget* parent, const QString& what, const QString& text,
                       const QString& accept, const QString& reject) {
  AppDialogs::Message question = AppDialogs::simple(parent, QMessageBox::Information, titled(what),
                                                    QStringLiteral("<p>%1</p>").arg(text));
  question.buttons = QMessageBox::NoButton;
  question.extraButtons = {{accept, QMessageBox::AcceptRole}, {reject, QMessageBox::RejectRole}};
  return appDialogs().message(question).extra == 0;
}

void openInBrowser(const QString& address) {
  QDesktopServices::openUrl(QUrl(address));
}

// A stored text, or `fallback` when none is stored or the stored value is not a text.
QString textSetting(const QString& key, const QString& fallback) {
  const QVariant value = QSettings().value(key);
  const bool text = value.type() == QVariant::String || value.type() == QVariant::ByteArray;
  return text && !value.toString().isEmpty() ? value.toString() : fallback;
}

}  // namespace

void TsApp::runStartUpChecks() {
  if (DistributorInfo::record().checkForUpdates && updateChecker_)
    updateChecker_->kickOffTransfer(false);
  if (newsChecker_) newsChecker_->kickOffTransfer(false);
}

void TsApp::checkForUpdateSlot() {
  openInBrowser(updatePageUrl());
}

void TsApp::checkForNewsSlot() {
  if (!newsChecker_) return;
  openInBrowser(latestNewsUrl());
  newsChecker_->kickOffTransfer(true);
}

bool TsApp::updateCheckerCallbackSlot(QString result, bool) {
  if (!result.contains(QLatin1String("notuptodate"))) return true;
  const bool download = askWithTwoButtons(
      mainWindow(), tr("New version available", "[all]"),
      tr("Your copy of %1 is out of date. Please download the latest version now.", "[all]")
          .arg(productNameNbsp()),
      tr("Download Now", "[all]"), tr("Remind Me Later", "[all]"));
  if (download) {
    appDialogs().inform(nullptr, titled(tr("Exiting", "[all]")),
                        QStringLiteral("<p>%1</p>")
                            .arg(tr("The download page will be loaded into your web browser, and "
                                    "%1 will exit automatically ready for you to install the "
                                    "latest version.",
                                    "[all]")
                                     .arg(productNameNbsp())));
    openInBrowser(downloadPageUrl());
    if (QMainWindow* window = mainWindow()) window->close();
  } else if (updateChecker_) {
    updateChecker_->supress(1);
  }
  return true;
}

bool TsApp::newsCheckerCallbackSlot(QString, bool forced) {
  if (forced) return true;  // the user has the page open already
  const bool read = askWithTwoButtons(
      mainWindow(), tr("News Update", "[all]"),
      tr("Would you like to read the latest %1 news now?", "[all]").arg(productNameNbsp()),
      tr("Yes", "[all]"), tr("Remind Me Later", "[all]"));
  if (read) {
    openInBrowser(latestNewsUrl());
    return true;
  }
  if (newsChecker_) newsChecker_->supress(1);
  return false;
}

void TsApp::newsCheckerHttpStatusCodeSlot(int statusCode) {
  newsAvailable_ = statusCode < 400;
  emit newsAvailability(newsAvailable_);
}

QString TsApp::helpUrl() const {
  const QString root =
      textSetting(QStringLiteral("HelpRoot"), kestrum::appDirPath(QStringLiteral("Help")));
  return QStringLiteral("%1/%2").arg(QUrl::fromLocalFile(root).toString(),
                                     tr("en", "[all]Two letter code of the current locale"));
}

QString TsApp::onlineHelpUrl() const {
  return QStringLiteral("%1/%2").arg(helpUrl(), QStringLiteral("zarvo_online_help.htm"));
}

QString TsApp::tutorialsUrl() const {
  const QString path = textSetting(QStringLiteral("TutorialsRoot"),
                                   kestrum::appDirPath(QStringLiteral("Tutorials/index.htm")));
  if (QFileInfo(path).isFile()) return QUrl::fromLocalFile(path).toString();
  return helpManualsPageUrl();
}
