#include "engine/CvInProgress.h"

#include <cmath>

#include "util/CvExCancel.h"

namespace {

// f × 100 truncated toward zero, keeping the low eight bits; saturated so that a NaN or a
// wild fraction cannot make the float-to-integer conversion undefined.
uint8_t percentOf(float f) {
  float p = f * 100.0f;
  if (!(p == p)) return 0;
  if (p >= 2147483647.0f) return 0xFF;
  if (p <= -2147483648.0f) return 0;
  return static_cast<uint8_t>(static_cast<int32_t>(p) & 0xFF);
}

}  // namespace

CvInProgress::CvInProgress(CvProgressCallback callback, void* context, const char* label,
                           bool cancellable)
    : callback_(callback), context_(context), cancellable_(cancellable), label_(label) {
  startStamp_ = lastReportStamp_ = lapStamp_ = lastCallbackStamp_ = corvane::performanceCounter();
}

CvInProgress::~CvInProgress() {
  cancellable_ = false;
  if (!active_) return;
  try {
    if (fraction_ < 1.0f && !cancelled_) progress(1.0f, "auto-destruct");
  } catch (...) {
    // A host callback that throws must not escape a destructor.
  }
  finish();
}

void CvInProgress::progress(float f, const std::string&) {
  fraction_ = f;
  int32_t reply = 0;
  if (callback_) {
    const int64_t now = corvane::performanceCounter();
    const double since = corvane::counterSeconds(now - lastCallbackStamp_);
    if (since > static_cast<double>(0.1f) || f == 1.0f) {
      reply = callback_(percentOf(f), context_);
      lastCallbackStamp_ = corvane::performanceCounter();
    }
  }
  if (reply == 2 && cancellable_ && !cancelled_) {
    cancellable_ = false;
    cancelled_ = true;
    throw CvExCancel();
  }
  lastReportStamp_ = corvane::performanceCounter();
  if (f == 0.0f) startStamp_ = lastReportStamp_;
}

void CvInProgress::start() {
  fraction_ = 0.0f;
  cancellable_ = false;
  cancelled_ = false;
  startStamp_ = lastReportStamp_ = lapStamp_ = lastCallbackStamp_ = corvane::performanceCounter();
  label_ = "";
}

void CvInProgress::finish() {
  lapStamp_ = corvane::performanceCounter();
  elapsed_ = corvane::counterSeconds(lapStamp_ - startStamp_);
}
