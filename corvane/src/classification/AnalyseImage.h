#pragma once

#include <cstdint>
#include <vector>

#include "classification/BoundaryTracing.h"
#include "classification/IiClassification.h"
#include "kestrum/utility/ProgressRange.h"

namespace classification {

// "Analyse Image" on a classification state: the analysis image (0 .. 0.1 of the range), the
// global colour clusters (to 0.3), the segmentation (to 0.9), the region clean-up, the
// restriction to a sub-session's mask (null for none) and the final label map (to 1.0).
// With `outlines` given, the regions' outlines (traceOutlines) are traced into it beside the
// final label map. Cancellation and worker failures leave at once; what the stages wrote
// stays written.
void analyse(IiClassification& state, const IiClassification::Bytes* mask, ProgressRange range,
             std::vector<Outline>* outlines = nullptr);

// Turns the inner watershed's labels into the region map (only when "imageTol" is above 1.0).
void cleanUpRegions(IiClassification& state);

// Rebuilds the final label map from the colour clusters of colour level max(level, 0), each
// segmentation region made uniform by a majority vote when "imageTol" is above 1.0; stores the
// level's label count. The partition level itself is left to the caller.
void labelRegions(IiClassification& state, int32_t level, ProgressRange range);

// The outlines of the inner watershed's regions by the state's outline rules; none when
// "imageTol" is 1.0 or less. Reports no progress.
void traceOutlines(IiClassification& state, std::vector<Outline>& outlines);

// The outlines of a binary mask, every one closed, simplified with the tolerance 0.1.
void traceMaskOutlines(const IiClassification::Bytes& mask, std::vector<IntegerOutline>& outlines);

}  // namespace classification
