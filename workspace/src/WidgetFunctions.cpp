#include "workspace/WidgetFunctions.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFrame>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWidget>

#include "workspace/WorkspaceResources.h"

QString makeLink(const QString& url, const QString& text) {
  return QStringLiteral("<a href=\"%1\">%2</a>").arg(url, text);
}

QString learnMoreTip(const QString& helpPage) {
  if (helpPage.isEmpty()) return QString();
  return QStringLiteral("<p>") +
         makeLink(helpPage, QCoreApplication::translate("GmTool", "Learn More", "[tip]")) +
         QStringLiteral("</p>");
}

QWidget* createEmptyOptionsWidget() {
  auto* widget = new QWidget;
  auto* layout = new QVBoxLayout(widget);
  layout->addStretch();
  return widget;
}

QFrame* createSeparatorLine() {
  auto* line = new QFrame;
  line->setFrameStyle(QFrame::VLine | QFrame::Raised);
  return line;
}

QCursor* makePixmapCursor(int hotX, int hotY, const QString& path) {
  initWorkspaceResources();
  return new QCursor(QPixmap(path), hotX, hotY);
}
