#pragma once

#include <cstdint>
#include <string>

#include "kestrum/utility/IiUI.h"

// Maps a loop's own 0..1 onto a slice of its caller's range. Passed by value into callees;
// a null receiver reports nothing and never throws.
class ProgressRange {
 public:
  ProgressRange(kestrum::utility::IiUI* ui, float start, float end, float current = 0.0f)
      : ui_(ui), start_(start), end_(end), current_(current) {}
  // The whole range 0..1 of a receiver; reports fraction 0 at once.
  explicit ProgressRange(kestrum::utility::IiUI* ui);
  ProgressRange() : ProgressRange(nullptr, 0.0f, 1.0f) {}

  void report(const std::string& label, float f);
  ProgressRange subRange(float f);

  // A checkpoint of a long loop: the text names the source header, the line and the loop's
  // label, and is built only when somebody listens.
  void checkpoint(const char* path, int line, const char* label, float f) const;
  static std::string checkpointText(const char* path, int line, const char* label);

  float map(float f) const { return (1.0f - f) * start_ + f * end_; }
  kestrum::utility::IiUI* ui() const { return ui_; }
  float start() const { return start_; }
  float end() const { return end_; }
  float current() const { return current_; }
  void setCurrent(float f) { current_ = f; }

 private:
  kestrum::utility::IiUI* ui_;
  float start_;
  float end_;
  float current_;
};
