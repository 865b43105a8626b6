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

}  // namespace corvane
