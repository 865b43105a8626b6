#include "workspace/WorkspaceHost.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLocale>
#include <QMimeData>
#include <QtGlobal>

#include "workspace/GmTool.h"

namespace {

// A host without windows: answers every call at once, and logs what it leaves undone.
class DefaultWorkspaceHost final : public WorkspaceHost {
 public:
  QWidget* mainWindow() const override { return nullptr; }
  ImageView* imageView() const override { return nullptr; }
  GmTool* panReturnTool() const override { return nullptr; }
  bool selectFallbackTool() override { return GmTool::selectFallbackTool(nullptr); }
  void clearColourHighlight() override {}
  bool colourHighlightShown() const override { return false; }
  QBrush canvasBackgroundBrush() const override { return QBrush(Qt::white); }
  void receiveDrop(QDropEvent* event) override {
    const QMimeData* data = event->mimeData();
    qInfo("Drop not received (no image receiver): %s",
          qPrintable(data ? data->formats().join(QLatin1String(", ")) : QString()));
  }
  QColor askColour(const QColor&) override { return QColor(); }
  bool persistOptions() const override { return false; }
  bool useTabletPressure() const override { return false; }
  QString productName() const override { return QCoreApplication::applicationName(); }
  QString helpRoot() const override { return QString(); }
  QString activeLanguage() const override {
    QString language;
    for (const QChar c : QLocale::system().name().left(2))
      if (c.isLetter()) language += c;
    return language;
  }
};

DefaultWorkspaceHost& defaultHost() {
  static DefaultWorkspaceHost host;
  return host;
}

WorkspaceHost* installed = nullptr;

}  // namespace

WorkspaceHost& workspaceHost() {
  return installed ? *installed : defaultHost();
}

WorkspaceHost* setWorkspaceHost(WorkspaceHost* host) {
  WorkspaceHost* previous = installed;
  installed = host;
  return previous;
}
