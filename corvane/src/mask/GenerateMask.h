#pragma once

// "Generate mask": the host's patch and forced-edge records in engine terms, and the body that
// prepares the classification, runs the matting and mask passes, rolls its temporary status
// changes back and finishes with the forced edges.

#include <blitz/array.h>

#include <cstdint>
#include <vector>

#include "Corvane.h"
#include "classification/IiClassification.h"
#include "kestrum/utility/ProgressRange.h"
#include "mask/MaskForcedEdge.h"
#include "mask/MaskPatch.h"
#include "mask/MaskPixelType.h"
#include "mask/MaskScale.h"
#include "util/Box.h"

namespace corvane {
namespace mask {

// Whether the engine can read the request: a mask image of kind 0 or 1 with a stride that
// holds a row (compared in 64 bits) and a size that is not negative, and a box that fits 32-bit
// indices.
bool patchRequestReadable(const MaskPatchRequest& request);
// The engine's record of a readable request. A kind-0 mask is viewed in place; a kind-1 mask
// becomes a byte mask (1 where the alpha byte is not 0).
MaskPatch maskPatchFromRequest(const MaskPatchRequest& request);

// Whether the edges can be read: points present wherever a count says so.
bool forcedEdgesReadable(const ForcedEdgeRequest* edges, uint32_t count);
// The edges in (row, column) order without repeated consecutive points; edges left with
// fewer than two points are dropped.
std::vector<MaskForcedEdge> forcedEdgesFromRequests(const ForcedEdgeRequest* edges, uint32_t count);

// What one "Generate mask" asks beyond the images.
struct MaskRequest {
  bool hasRect = false;
  Box rect{0, 0, -1, -1};  // status-image coordinates; used when hasRect
  MaskScale scale{1.0f, 1.0f};
  std::vector<MaskForcedEdge> forcedEdges;  // in status-image coordinates
  float blendWidth = 0.0f;
  float blendRatio = 0.0f;  // 0..1
  std::vector<MaskPatch> patches;
};

// The body for one pixel type. `output` is indexed in full-resolution coordinates over the
// part of the request it may write; `source` over the whole full-resolution picture; `status`
// in status-image coordinates over the state's image box; `radiusMap` the analysis's blend
// radii over the same box. Answers 1 when the request meets no pixel of the state's image,
// otherwise 0 (or the combined non-zero result of the passes). Every temporary status change
// (the preparation's auto fill when the request does not cover the whole image, the pass
// marks 64 and 128) is undone on every path out, exceptions included; a request covering the
// whole image keeps its auto fill in the session's own history.
template <class PixelType>
int32_t generateMaskVariant(::classification::IiClassification& state,
                            blitz::Array<typename PixelType::Pixel, 2> output,
                            const blitz::Array<typename PixelType::Pixel, 2>& source,
                            blitz::Array<uint8_t, 2>& status, MaskRequest request,
                            const blitz::Array<uint8_t, 2>& radiusMap, ProgressRange progress);

extern template int32_t generateMaskVariant<MaskPixel8>(::classification::IiClassification&,
                                                        blitz::Array<MaskPixel8::Pixel, 2>,
                                                        const blitz::Array<MaskPixel8::Pixel, 2>&,
                                                        blitz::Array<uint8_t, 2>&, MaskRequest,
                                                        const blitz::Array<uint8_t, 2>&,
                                                        ProgressRange);
extern template int32_t generateMaskVariant<MaskPixel16>(::classification::IiClassification&,
                                                         blitz::Array<MaskPixel16::Pixel, 2>,
                                                         const blitz::Array<MaskPixel16::Pixel, 2>&,
                                                         blitz::Array<uint8_t, 2>&, MaskRequest,
                                                         const blitz::Array<uint8_t, 2>&,
                                                         ProgressRange);
extern template int32_t generateMaskVariant<MaskPixelHalf16>(
    ::classification::IiClassification&, blitz::Array<MaskPixelHalf16::Pixel, 2>,
    const blitz::Array<MaskPixelHalf16::Pixel, 2>&, blitz::Array<uint8_t, 2>&, MaskRequest,
    const blitz::Array<uint8_t, 2>&, ProgressRange);

}  // namespace mask
}  // namespace corvane
