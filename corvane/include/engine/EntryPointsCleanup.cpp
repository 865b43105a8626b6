// Entry points of the clean-up operations that follow a select: auto complex and despeckle.

#include <cstdint>

#include "Corvane.h"
#include "engine/CvInImage.h"
#include "engine/CvInSession.h"
#include "engine/EntryFrame.h"

using corvane::EntryFrame;

namespace {

// Status images (kind 0) only; a bad image answers 9 before the session is looked at.
CvResult useStatusImage(EntryFrame& frame, CvImage* handle, CvInImage** image) {
  if (const CvResult status = frame.useImage(handle, image)) return status;
  return (*image)->kind == CvKindStatus ? CvOk : CvInvalidImage;
}

// 6 also for a live session object of another kind.
CvResult useSession(EntryFrame& frame, CvSession* handle, CvInSession** session) {
  CvInSessionBase* base = nullptr;
  if (const CvResult status = frame.useSession(handle, &base)) return status;
  *session = dynamic_cast<CvInSession*>(base);
  return *session ? CvOk : CvInvalidSession;
}

}  // namespace

CvResult CvAutoComplex(CvSession* handle, CvImage* statusImage, float blend,
                       CvProgressCallback callback, void* context) {
  return corvane::runEntry(corvane::kOperationCatches, [&](EntryFrame& frame) -> CvResult {
    CvInImage* image = nullptr;
    if (const CvResult status = useStatusImage(frame, statusImage, &image)) return status;
    CvInSession* session = nullptr;
    if (const CvResult status = useSession(frame, handle, &session)) return status;
    return session->autoComplex(image, blend, callback, context);
  });
}

CvResult CvDespeckleSelection(CvSession* handle, CvImage* statusImage, uint8_t size,
                              CvProgressCallback callback, void* context) {
  return corvane::runEntry(corvane::kOperationCatches, [&](EntryFrame& frame) -> CvResult {
    CvInImage* image = nullptr;
    if (const CvResult status = useStatusImage(frame, statusImage, &image)) return status;
    CvInSession* session = nullptr;
    if (const CvResult status = useSession(frame, handle, &session)) return status;
    return session->despeckleSelection(image, size, callback, context);
  });
}
