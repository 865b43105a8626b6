#include "workspace/WorkspaceResources.h"

#include <QIcon>
#include <QMetaType>
#include <QtGlobal>

#include "workspace/GRectF.h"
#include "workspace/ImageView.h"

// At global scope: the resource's registration function is declared where this is.
static void registerResources() {
  Q_INIT_RESOURCE(workspace_art);
}

void initWorkspaceResources() {
  static bool done = false;
  if (done) return;
  done = true;
  registerResources();
  qRegisterMetaType<ImageView::ViewTab>("ImageView::ViewTab");
  qRegisterMetaType<GRectF>("GRectF");
}

QIcon resourceIcon(const QString& path) {
  initWorkspaceResources();
  return QIcon(path);
}
