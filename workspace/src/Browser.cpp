#include "workspace/Browser.h"

#include <QDesktopServices>

#include "workspace/TipWindow.h"
#include "workspace/WorkspaceHost.h"

Browser::Browser(QWidget* parent) : QTextBrowser(parent) {}

QUrl Browser::helpUrl(const QUrl& url) {
  if (!url.isRelative()) return url;
  // The root is a folder or an address; the link is resolved as a file under it.
  const QUrl root = QUrl::fromUserInput(workspaceHost().helpRoot() + QStringLiteral("/"));
  return root.resolved(url);
}

void Browser::setSource(const QUrl& url) {
  if (url.isEmpty()) return;
  QDesktopServices::openUrl(helpUrl(url));
}

void Browser::setTipText(const QString& text) {
  TipWindow::setTipText(text);
}
