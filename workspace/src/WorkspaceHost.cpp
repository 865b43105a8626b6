#include "workspace/WorkspaceHost.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLocale>
#include <QMimeData>
#include <QtGlobal>

#include "workspace/GmTool.h"

namespace {

WorkspaceHost& defaultHost() {
  static WorkspaceHost host;
  return host;
}

WorkspaceHost* installedHost = nullptr;

}  // namespace

WorkspaceHost& workspaceHost() {
  return installedHost ? *installedHost : defaultHost();
}

WorkspaceHost* WorkspaceHost::install(WorkspaceHost* host) {
  WorkspaceHost* previous = installedHost;
  installedHost = host;
  return previous;
}

bool WorkspaceHost::selectFallbackTool() {
  // A default tool that refuses to be installed would bring us back here; answer false then.
  static bool choosing = false;
  GmTool* current = GmTool::current();
  if (!current) return false;
  if (current->isUsable()) return true;
  if (choosing) return false;
  choosing = true;
  GmTool* remembered = panReturnTool();
  GmTool* fallback = remembered && remembered->isUsable() ? remembered : GmTool::defaultTool();
  const bool installed = fallback && fallback->installSlot();
  choosing = false;
  return installed;
}

void WorkspaceHost::receiveDrop(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  qInfo("Drop not received (no image receiver): %s",
        qPrintable(data ? data->formats().join(QLatin1String(", ")) : QString()));
}

QColor WorkspaceHost::askColour(const QColor&) {
  return QColor();
}

QString WorkspaceHost::productName() const {
  return QCoreApplication::applicationName();
}

QString WorkspaceHost::helpRoot() const {
  return QString();
}

QString WorkspaceHost::activeLanguage() const {
  QString language;
  for (const QChar c : QLocale::system().name().left(2))
    if (c.isLetter()) language += c;
  return language;
}
