#include "TestEnvironment.h"
#include "composition/CompositionResources.h"
#include "document/DocumentMetaTypes.h"

static const bool registered = zarvo_test::addModuleSetUp([] {
  registerDocumentMetaTypes();
  initCompositionResources();
});
