// Entry points of the clean-up operations that follow a select: auto complex and despeckle.

#include <cstdint>

#include "Corvane.h"
#include "engine/CvInImage.h"
#include "engine/CvInSession.h"
#include "engine/EntryFrame.h"
#include "engine/SessionEntry.h"

CvResult CvAutoComplex(CvSession* handle, CvImage* statusImage, float blend,
                       CvProgressCallback callback, void* context) {
  return corvane::runStatusImageOperation(
      handle, statusImage, [&](CvInSession& session, CvInImage* image) {
        return session.autoComplex(image, blend, callback, context);
      });
}

CvResult CvDespeckleSelection(CvSession* handle, CvImage* statusImage, uint8_t size,
                              CvProgressCallback callback, void* context) {
  return corvane::runStatusImageOperation(
      handle, statusImage, [&](CvInSession& session, CvInImage* image) {
        return session.despeckleSelection(image, size, callback, context);
      });
}
