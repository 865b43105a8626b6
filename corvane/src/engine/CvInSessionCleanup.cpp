// The session's clean-up operations after a select.

#include "classification/AutoComplex.h"
#include "classification/HoleFilling.h"
#include "engine/CvInSession.h"

bool CvInSession::analysisAvailable() const {
  return isSegmented() || (parentSession_ && parentSession_->isSegmented());
}

CvResult CvInSession::autoComplex(CvInImage* image, float blend, CvProgressCallback callback,
                                  void* context) {
  if (!analysisAvailable()) return CvNeedsSegmentation;
  Bytes status = reindexStatus(image);
  return runOperation("Auto complex", callback, context, [&](ProgressRange& range) {
    classification::autoComplex(*classification_, status, blend, range);
  });
}

CvResult CvInSession::despeckleSelection(CvInImage* image, uint8_t size,
                                         CvProgressCallback callback, void* context) {
  if (!analysisAvailable()) return CvNeedsSegmentation;
  Bytes status = reindexStatus(image);
  return runOperation("Despeckle selection", callback, context, [&](ProgressRange& range) {
    classification::despeckle(*classification_, status, size, range);
  });
}
