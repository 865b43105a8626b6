// The app's tests use the document's types in signals and variants.

#include "TestEnvironment.h"
#include "document/DocumentMetaTypes.h"

static const bool registered = zarvo_test::addModuleSetUp([] { registerDocumentMetaTypes(); });
