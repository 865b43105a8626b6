#include "app/AppWorkspaceHost.h"

#include <QDropEvent>
#include <QMimeData>

#include "app/AppIdentity.h"
#include "app/Flogger.h"
#include "app/PersistOptions.h"
#include "app/TranslationLoader.h"
#include "app/TsApp.h"
#include "app/TsMainWindow.h"
#include "document/DocumentUiHooks.h"

AppWorkspaceHost::AppWorkspaceHost(TsMainWindow* window)
    : window_(window), previous_(setWorkspaceHost(this)) {}

AppWorkspaceHost::~AppWorkspaceHost() {
  WorkspaceHost* installed = setWorkspaceHost(previous_);
  if (installed != this) setWorkspaceHost(installed);  // someone else's since
}

QWidget* AppWorkspaceHost::mainWindow() const {
  return window_;
}

ImageView* AppWorkspaceHost::imageView() const {
  return window_->imageView();
}

GmTool* AppWorkspaceHost::panReturnTool() const {
  return window_->panReturnTool();
}

bool AppWorkspaceHost::selectFallbackTool() {
  return window_->selectFallbackTool();
}

QBrush AppWorkspaceHost::canvasBackgroundBrush() const {
  return window_->canvasBackgroundBrush();
}

void AppWorkspaceHost::receiveDrop(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  flog() << "A drop was not received: "
         << (data ? data->formats().join(QLatin1String(", ")) : QString());
  flogEndl();
}

QColor AppWorkspaceHost::askColour(const QColor& current) {
  return documentUiHooks().chooseColour(current, QString());
}

bool AppWorkspaceHost::persistOptions() const {
  const PersistOptions* options = PersistOptions::instance();
  return options && options->persistOptions;
}

bool AppWorkspaceHost::useTabletPressure() const {
  const PersistOptions* options = PersistOptions::instance();
  return options && options->useTabletPressure;
}

QString AppWorkspaceHost::productName() const {
  return ::productName();
}

QString AppWorkspaceHost::helpRoot() const {
  const TsApp* app = TsApp::instance();
  return app ? app->helpUrl() : QString();
}

QString AppWorkspaceHost::activeLanguage() const {
  return systemLanguage();
}
