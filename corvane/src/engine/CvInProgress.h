#pragma once

#include <cstdint>
#include <string>

#include "Corvane.h"
#include "kestrum/utility/IiUI.h"
#include "util/PerformanceCounter.h"

// The progress object of one engine operation: turns fractions into whole percentages for
// the host, at most ten times a second, and a "stop" reply into CvExCancel.
class CvInProgress : public kestrum::utility::IiUI {
 public:
  CvInProgress(CvProgressCallback callback, void* context, const char* label, bool cancellable);
  ~CvInProgress() override;
  CvInProgress(const CvInProgress&) = delete;
  CvInProgress& operator=(const CvInProgress&) = delete;

  void progress(float f, const std::string& label) override;

  // For an object kept for a whole session: starts afresh, not cancellable, unlabelled.
  void start();
  // Closing step of a timed operation; only measures.
  void finish();

  float fraction() const { return fraction_; }
  bool cancelled() const { return cancelled_; }
  bool cancellable() const { return cancellable_; }
  const char* label() const { return label_; }
  double lastElapsedSeconds() const { return elapsed_; }
  // Lets the owner suppress the closing report and finish (used by sessions' own objects).
  void setActive(bool active) { active_ = active; }

 private:
  CvProgressCallback callback_;
  void* context_;
  float fraction_ = 0.0f;
  bool cancellable_;
  bool cancelled_ = false;
  int64_t startStamp_;
  int64_t lastReportStamp_;
  int64_t lapStamp_;
  int64_t lastCallbackStamp_;
  const char* label_;
  bool active_ = true;
  double elapsed_ = 0.0;
};
