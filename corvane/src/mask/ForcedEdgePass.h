#pragma once

// The final pass of mask generation: along every forced edge the mask's alpha becomes a sharp
// cubic ramp from transparent on the class-4 side to opaque on the class-2 side, over about
// one edge width to each side of the line.

#include <blitz/array.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "mask/ColourOps.h"
#include "mask/ColourPyramid.h"
#include "mask/EdgePoint.h"
#include "mask/ForcedEdgeSteps.h"
#include "mask/MaskForcedEdge.h"
#include "mask/MaskPixelType.h"
#include "mask/MaskScale.h"
#include "util/Box.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/SaturatingCast.h"
#include "util/StatusCompatibility.h"

namespace corvane {
namespace mask {

// Which side of the edge's normal holds class 2 (+1), class 4 (−1), or 0 when the statuses
// across the edge's longest segment do not tell. Points are full-resolution pixels; the probe
// walks outward from the segment's middle in working cells.
int32_t forcedEdgeSide(const MaskForcedEdge& edge, const blitz::Array<uint8_t, 2>& status,
                       const MaskScale& scale);

// Half the band an edge shapes: at least two working cells, at most four widths.
inline float forcedEdgeHalfWidth(const MaskForcedEdge& edge, const MaskScale& scale) {
  return std::min(std::max(2.0f * scale.row, edge.width), 4.0f * edge.width);
}

// Paints the segments and joints of one edge with side `sign` into the field.
void paintForcedEdge(const MaskForcedEdge& edge, int32_t sign, float halfWidth,
                     DistanceField& field, std::vector<IndexPair>& touched);

// The alpha of a field value v (in 1/8192 widths): the smooth step of t = (v + 1) / 2 over
// −1..1 widths, truncated. The scale max + 0.999 is taken in double precision: in single
// precision 65535.999 rounds up to 65536, and the line itself would get 32768 instead of
// 32767.
template <class PixelType>
inline typename PixelType::Sample rampAlpha(int16_t value) {
  float t = (static_cast<float>(value) * 0.00012207031f + 1.0f) * 0.5f;
  t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
  const double alpha = static_cast<double>(3.0f - 2.0f * t) *
                       ((static_cast<double>(PixelType::maxSample) + 0.999) * t * t);
  return alpha >= PixelType::maxSample ? typename PixelType::Sample(PixelType::maxSample)
                                       : static_cast<typename PixelType::Sample>(alpha);
}

// Runs the forced-edge pass on `mask` (a view sharing the caller's pixels) from `image` over the
// same pixels. Edges are in full-resolution pixel units; each needs two points or more and a
// finite geometry, others change nothing. Pixels whose image alpha is below
// opacityThreshold × maxSample are never written. Returns 0.
template <class PixelType>
int32_t forcedEdgePass(blitz::Array<typename PixelType::Pixel, 2> mask,
                       const blitz::Array<typename PixelType::Pixel, 2>& image,
                       const blitz::Array<uint8_t, 2>& status, const MaskScale& scale,
                       const std::vector<MaskForcedEdge>& edges, float opacityThreshold,
                       ProgressRange /*progress*/) {
  if (edges.empty() || mask.numElements() == 0) return 0;
  DistanceField field(blitz::Range(mask.lbound(0), mask.ubound(0)),
                      blitz::Range(mask.lbound(1), mask.ubound(1)));
  field = unsetDistance;
  std::vector<IndexPair> touched;
  std::vector<int32_t> signs(edges.size(), 0);

  for (size_t e = 0; e < edges.size(); ++e) {
    signs[e] = forcedEdgeSide(edges[e], status, scale);
    if (signs[e] != 0)
      paintForcedEdge(edges[e], signs[e], forcedEdgeHalfWidth(edges[e], scale), field, touched);
  }

  const float opaque = opacityThreshold * PixelType::maxSampleF;
  const Box imageBox = domainOf(image);
  for (const IndexPair& p : touched) {
    if (p.first < imageBox.lowerRow || p.first > imageBox.upperRow ||
        p.second < imageBox.lowerColumn || p.second > imageBox.upperColumn)
      continue;
    const typename PixelType::Pixel& s = image(p.first, p.second);
    if (static_cast<float>(s[3]) < opaque) continue;
    typename PixelType::Pixel& out = mask(p.first, p.second);
    out[0] = s[0];
    out[1] = s[1];
    out[2] = s[2];
    out[3] = rampAlpha<PixelType>(field(p.first, p.second));
  }

  for (size_t e = 0; e < edges.size(); ++e) {
    const std::vector<EdgePoint>& p = edges[e].points;
    if (signs[e] == 0 || p.front() == p.back()) continue;
    const float halfWidth = forcedEdgeHalfWidth(edges[e], scale);
    const size_t n = p.size();
    blendEdgeCap<PixelType>(p[0], p[1], field, image, mask, -signs[e], halfWidth, edges[e].width,
                            opacityThreshold);
    blendEdgeCap<PixelType>(p[n - 1], p[n - 2], field, image, mask, signs[e], halfWidth,
                            edges[e].width, opacityThreshold);
  }
  return 0;
}

}  // namespace mask
}  // namespace corvane
