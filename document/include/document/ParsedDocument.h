#pragma once

#include <memory>
#include <vector>

#include <QImage>

#include "document/ArrowTarget.h"
#include "document/BlendingStuff.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"

// A stored document map read into new objects that belong to no document yet: what
// GmModel::parseDocumentMap gives and GmModel::restore installs. It owns everything it holds;
// dropping it deletes them and touches nothing else. GUI thread.
struct ParsedDocument {
  // 1, 2, 4 or 8.
  int resolution = 1;
  // Both valid and of one size.
  std::unique_ptr<TsSourceImage> segImage;
  std::unique_ptr<TsSourceImage> blendImage;
  // 8-bit indexed at the working size (the display size divided by the resolution, rounded up);
  // null when the map held none.
  QImage statuses;
  std::unique_ptr<SegmentationStuff> segmentation;
  std::unique_ptr<BlendingStuff> blending;
  // Patches and forced edges in stored order; entries of an unknown type are left out.
  std::vector<std::unique_ptr<ArrowTarget>> targets;
  int skippedTargets = 0;
};
