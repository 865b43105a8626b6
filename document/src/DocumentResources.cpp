#include "document/DocumentResources.h"

#include <QtGlobal>

// At global scope: the resource's registration function is declared where this is.
static void registerResources() {
  Q_INIT_RESOURCE(document_art);
}

void initDocumentResources() {
  static bool done = false;
  if (done) return;
  done = true;
  registerResources();
}
