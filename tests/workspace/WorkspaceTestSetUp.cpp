#include "TestEnvironment.h"
#include "document/DocumentMetaTypes.h"
#include "workspace/WorkspaceResources.h"

static const bool registered = zarvo_test::addModuleSetUp([] {
  registerDocumentMetaTypes();
  initWorkspaceResources();
});
