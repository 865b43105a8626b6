#pragma once

#include "Corvane.h"
#include "engine/CvInImage.h"
#include "engine/CvInSession.h"
#include "engine/EntryFrame.h"

namespace corvane {

// Session validation for the entry points: 6 also for a live session object of another kind.
inline CvResult useSession(EntryFrame& frame, CvSession* handle, CvInSession** session) {
  CvInSessionBase* base = nullptr;
  if (const CvResult status = frame.useSession(handle, &base)) return status;
  *session = dynamic_cast<CvInSession*>(base);
  return *session ? CvOk : CvInvalidSession;
}

// Image validation for the session operations: status images (kind 0) only.
inline CvResult useStatusImage(EntryFrame& frame, CvImage* handle, CvInImage** image) {
  if (const CvResult status = frame.useImage(handle, image)) return status;
  return (*image)->kind == CvKindStatus ? CvOk : CvInvalidImage;
}

// The frame of the operations on a session alone: `op(session)` runs on a valid session.
template <class Op>
CvResult runSessionOperation(CvSession* handle, Op&& op) {
  return runEntry(kOperationCatches, [&](EntryFrame& frame) -> CvResult {
    CvInSession* session = nullptr;
    if (const CvResult status = useSession(frame, handle, &session)) return status;
    return op(*session);
  });
}

// A session and the status image an operation works on. A bad image answers 9 even with a bad
// session too, then the session's codes follow; an image that the session's own engine does
// not hold answers 9 as well: another engine may free it while this session still uses it.
inline CvResult useSessionAndStatusImage(EntryFrame& frame, CvSession* handle, CvImage* statusImage,
                                         CvInSession** session, CvInImage** image) {
  if (const CvResult status = useStatusImage(frame, statusImage, image)) return status;
  if (const CvResult status = useSession(frame, handle, session)) return status;
  return (*image)->engine() == (*session)->engine() ? CvOk : CvInvalidImage;
}

// The frame of the session operations on a status image: `op(session, image)` runs once both
// are validated (useSessionAndStatusImage).
template <class Op>
CvResult runStatusImageOperation(CvSession* handle, CvImage* statusImage, Op&& op) {
  return runEntry(kOperationCatches, [&](EntryFrame& frame) -> CvResult {
    CvInSession* session = nullptr;
    CvInImage* image = nullptr;
    if (const CvResult status =
            useSessionAndStatusImage(frame, handle, statusImage, &session, &image))
      return status;
    return op(*session, image);
  });
}

}  // namespace corvane
