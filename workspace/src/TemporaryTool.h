#pragma once

class GmTool;

// The tool a temporary tool (pan, zoom) returns to when it replaces `previous`: that tool's own
// return tool when it has one (so pan after zoom goes back to the tool before both), else
// `previous` itself; never `self` nor another temporary tool (null then).
GmTool* returnToolFor(const GmTool* self, GmTool* previous);
