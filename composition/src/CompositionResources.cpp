#include "composition/CompositionResources.h"

#include <QIcon>
#include <QtGlobal>

#include "workspace/WorkspaceResources.h"

// At global scope: the resource's registration function is declared where this is.
static void registerResources() {
  Q_INIT_RESOURCE(composition);
}

QIcon compositionIcon(const QString& path) {
  initCompositionResources();
  return resourceIcon(path);
}

void initCompositionResources() {
  static bool done = false;
  if (done) return;
  done = true;
  registerResources();
  initWorkspaceResources();
}
