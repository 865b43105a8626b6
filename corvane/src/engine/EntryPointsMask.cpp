// The entry points of auto fill and "Generate mask".

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "Corvane.h"
#include "engine/CvInImage.h"
#include "engine/CvInSession.h"
#include "engine/EntryFrame.h"
#include "engine/SessionEntry.h"
#include "mask/GenerateMask.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/SaturatingCast.h"

using corvane::Box;
using corvane::EntryFrame;
using corvane::useSessionAndStatusImage;

namespace {

// A picture of kind 1..3 that can be wrapped as it is described: data, a size that fits the
// array shape, and a stride that holds a row and is a whole number of pixels (64-bit sums).
bool maskPicture(const CvImage& image) {
  if (image.kind < CvKindRgba8 || image.kind > CvKindRgbaHalf16) return false;
  if (!image.data || image.width == 0 || image.height == 0) return false;
  if (image.width > INT_MAX || image.height > INT_MAX) return false;
  const uint64_t bytes = CvBytesPerPixel(image.kind);
  return uint64_t{image.stride} >= bytes * image.width && image.stride % bytes == 0;
}

// The status image must be the one of the session's picture (the outermost session's).
bool statusMatches(const CvInImage& status, CvInSession& session) {
  const CvInSession* root = &session;
  while (root->parentSession()) root = root->parentSession();
  return status.data && status.width == root->width && status.height == root->height &&
         status.stride >= status.width;
}

// The subsample factor from the ratio of the output's rows to the status image's.
int32_t subsampleFactor(uint32_t outputHeight, uint32_t statusHeight) {
  const float r = static_cast<float>(outputHeight - 1.0) / static_cast<float>(statusHeight - 1.0);
  const double d = r;
  if (d > 0.9 && d < 1.1) return 1;
  if (d > 1.8 && d < 2.2) return 2;
  if (d > 3.6 && d < 4.4) return 4;
  return 8;
}

template <class Pixel>
blitz::Array<Pixel, 2> wrap(const CvImage& image) {
  return blitz::Array<Pixel, 2>(
      static_cast<Pixel*>(image.data), blitz::shape(int(image.height), int(image.width)),
      blitz::shape(ptrdiff_t(image.stride / sizeof(Pixel)), 1), blitz::neverDeleteData);
}

// Runs one pixel type's operation on a working copy of the output's box, written back only
// when the operation answers 0.
template <class Pixel, class Run>
CvResult runOnCopy(const CvImage& output, const CvImage& source, const Box& box, Run&& run) {
  const blitz::Array<Pixel, 2> whole = wrap<Pixel>(output);
  blitz::Array<Pixel, 2> work;
  if (!box.empty()) {
    work.resize(blitz::Range(box.lowerRow, box.upperRow),
                blitz::Range(box.lowerColumn, box.upperColumn));
    for (int32_t r = box.lowerRow; r <= box.upperRow; ++r)
      std::copy_n(&whole(r, box.lowerColumn), box.upperColumn - box.lowerColumn + 1,
                  &work(r, box.lowerColumn));
  }
  const CvResult result = run(work, wrap<Pixel>(source));
  if (result == CvOk && !box.empty()) {
    blitz::Array<Pixel, 2> target = whole;
    for (int32_t r = box.lowerRow; r <= box.upperRow; ++r)
      std::copy_n(&work(r, box.lowerColumn), box.upperColumn - box.lowerColumn + 1,
                  &target(r, box.lowerColumn));
  }
  return result;
}

}  // namespace

CvResult CvAutoFill(CvSession* handle, CvImage* statusImage, uint32_t reserved, uint8_t value,
                    float radiusFactor, CvProgressCallback callback, void* context) {
  return corvane::runStatusImageOperation(
      handle, statusImage, [&](CvInSession& session, CvInImage* image) {
        return session.autoFill(image, reserved, value, radiusFactor, callback, context);
      });
}

CvResult CvGenerateMask(CvSession* handle, const CvRect* rect, CvImage output, CvImage source,
                        CvImage* statusImage, const ForcedEdgeRequest* forcedEdges,
                        uint32_t forcedEdgeCount, float blendWidth, float blendRatio,
                        const MaskPatchRequest* patches, uint32_t patchCount,
                        CvProgressCallback /*callback*/, void* /*context*/) {
  return corvane::runEntry(corvane::kRecoverableCatches, [&](EntryFrame& frame) -> CvResult {
    CvInSession* session = nullptr;
    CvInImage* image = nullptr;
    if (const CvResult status =
            useSessionAndStatusImage(frame, handle, statusImage, &session, &image))
      return status;
    blendRatio = blendRatio > 0.0f ? std::min(blendRatio, 1.0f) : 0.0f;

    // Every description and record is checked before anything is read through it.
    if (!maskPicture(output) || !maskPicture(source) || output.kind != source.kind)
      return CvPreconditionFailed;
    if (!statusMatches(*image, *session)) return CvPreconditionFailed;
    if (patchCount != 0 && !patches) return CvPreconditionFailed;
    for (uint32_t i = 0; i < patchCount; ++i)
      if (!corvane::mask::patchRequestReadable(patches[i])) return CvPreconditionFailed;
    if (!corvane::mask::forcedEdgesReadable(forcedEdges, forcedEdgeCount))
      return CvPreconditionFailed;

    Box working{0, 0, int32_t(image->height) - 1, int32_t(image->width) - 1};
    Box requested{0, 0, -1, -1};
    if (rect) {
      requested = Box{rect->y, rect->x, corvane::clampToInt32(int64_t(rect->y) + rect->height - 1),
                      corvane::clampToInt32(int64_t(rect->x) + rect->width - 1)};
      working = corvane::intersectBox(working, requested);
    }
    const int32_t factor = subsampleFactor(output.height, image->height);
    const Box outputBox{0, 0, int32_t(output.height) - 1, int32_t(output.width) - 1};
    Box box = outputBox;
    if (rect) {
      box = corvane::intersectBox(
          Box{corvane::clampToInt32(int64_t(working.lowerRow) * factor),
              corvane::clampToInt32(int64_t(working.lowerColumn) * factor),
              corvane::clampToInt32((int64_t(working.upperRow) + 1) * factor - 1),
              corvane::clampToInt32((int64_t(working.upperColumn) + 1) * factor - 1)},
          outputBox);
    }
    if (!box.empty() && (int64_t(box.upperRow) >= int64_t(source.height) ||
                         int64_t(box.upperColumn) >= int64_t(source.width)))
      return CvPreconditionFailed;

    CvInSession::MaskRecords records{rect ? &requested : nullptr,
                                     float(factor),
                                     float(factor),
                                     forcedEdges,
                                     forcedEdgeCount,
                                     blendWidth,
                                     blendRatio,
                                     patches,
                                     patchCount};
    using Pixel8 = kestrum::utility::Colour<uint8_t>;
    using Pixel16 = kestrum::utility::Colour<uint16_t>;
    switch (source.kind) {
      case CvKindRgba8:
        return runOnCopy<Pixel8>(output, source, box, [&](auto& work, const auto& src) {
          return session->generateMask8(work, src, image, records, corvaneProgressCallback);
        });
      case CvKindRgba16:
        return runOnCopy<Pixel16>(output, source, box, [&](auto& work, const auto& src) {
          return session->generateMask16(work, src, image, records, corvaneProgressCallback);
        });
      default:
        return runOnCopy<Pixel16>(output, source, box, [&](auto& work, const auto& src) {
          return session->generateMask15(work, src, image, records, corvaneProgressCallback);
        });
    }
  });
}
