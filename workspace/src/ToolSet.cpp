#include "workspace/ToolSet.h"

#include "workspace/GmTool.h"

ToolSet::~ToolSet() {
  while (!tools_.isEmpty()) delete tools_.takeLast();
}
