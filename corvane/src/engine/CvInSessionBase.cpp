#include "engine/CvInSessionBase.h"

#include "engine/CvEngine.h"
#include "engine/LiveHandles.h"

CvInSessionBase::~CvInSessionBase() {
  leaveEngine();
  signature = 0;
}

void CvInSessionBase::enterEngine(const CvSession* handle) {
  engine_->sessions.insert(this);
  try {
    corvane::enterLive(handle, corvane::LiveKind::Session, this);
  } catch (...) {
    engine_->sessions.erase(this);
    throw;
  }
  handle_ = handle;
}

void CvInSessionBase::leaveEngine() noexcept {
  if (!handle_) return;
  corvane::leaveLive(handle_);
  engine_->sessions.erase(this);
  handle_ = nullptr;
}
