#pragma once

// Registers the document's pictures (":/images/..."; the patch actions' icons). The document
// calls it before it loads one; the shell calls it at start-up. Idempotent; GUI thread.
void initDocumentResources();
