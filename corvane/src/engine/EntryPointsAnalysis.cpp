// The entry points of "Analyse Image" and "Select".

#include <cmath>
#include <cstdint>

#include "Corvane.h"
#include "classification/Select.h"
#include "engine/CvInImage.h"
#include "engine/CvInSession.h"
#include "engine/EntryFrame.h"
#include "engine/SessionEntry.h"
#include "engine/PixelStatus.h"

using corvane::EntryFrame;
using corvane::useSessionAndStatusImage;

namespace {

// The brush strength 0..7 as the partition level plus one: truncated, held to 0..7 (NaN 0).
int32_t levelPlusOneOf(float weight) {
  if (!(weight > 0.0f)) return 0;
  if (weight >= 7.0f) return 7;
  return static_cast<int32_t>(weight);
}

}  // namespace

CvResult CvAnalyseImage(CvSession* handle, CvProgressCallback callback, void* context) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    return session.analyseImage(callback, context);
  });
}

CvResult CvSelect(CvSession* handle, CvImage* statusImage, const CvSelection* stroke,
                  uint8_t status, uint8_t target, int32_t exclusive, float weight,
                  CvProgressCallback callback, void* context) {
  return corvane::runEntry(corvane::kOperationCatches, [&](EntryFrame& frame) -> CvResult {
    CvInSession* session = nullptr;
    CvInImage* image = nullptr;
    if (const CvResult result =
            useSessionAndStatusImage(frame, handle, statusImage, &session, &image))
      return result;
    const corvane::StatusValueMask written =
        corvane::selectStatusMask(status, target, exclusive != 0);
    const int32_t mode =
        exclusive != 0 ? classification::kSelectRegions : classification::kSelectPixels;
    return session->select(image, stroke, mode, status, written.value, target, written.mask,
                           levelPlusOneOf(weight), callback, context);
  });
}
