#include "app/AppResources.h"

#include <QtGlobal>

#include "composition/CompositionResources.h"
#include "document/DocumentResources.h"
#include "workspace/WorkspaceResources.h"

// At global scope: the resource's registration function is declared where this is.
static void registerResources() {
  Q_INIT_RESOURCE(app_art);
}

void initAppResources() {
  static bool done = false;
  if (done) return;
  done = true;
  registerResources();
  initDocumentResources();
  initWorkspaceResources();
  initCompositionResources();
}
