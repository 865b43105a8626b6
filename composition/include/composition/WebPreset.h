#pragma once

struct ShapeEntry;

// A web site's canvas preset as the "Set Image Size" tool applies it. "None" has no shape and
// zeros: choosing it changes nothing.
struct WebPreset {
  const ShapeEntry* shape = nullptr;  // owned by the tool; null for "None"
  int maxEdge = 0;                    // pixels of the longer side; 0 leaves the size alone
  int maxFS = 0;                      // kilobytes; 0 leaves the budget alone
};
