#include "kestrum/utility/ProgressRange.h"

ProgressRange::ProgressRange(kestrum::utility::IiUI* ui) : ProgressRange(ui, 0.0f, 1.0f) {
  if (ui_) ui_->progress(start_, std::string());
}

void ProgressRange::report(const std::string& label, float f) {
  current_ = f;
  if (ui_) ui_->progress(map(f), label);
}

ProgressRange ProgressRange::subRange(float f) {
  ProgressRange child(ui_, map(current_), map(f), 0.0f);
  current_ = f;
  return child;
}

std::string ProgressRange::checkpointText(const char* path, int line, const char* label) {
  std::string text(path);
  text += ": ";
  text += std::to_string(line);
  text += ":\n(before [";
  text += label;
  text += "]): ";
  return text;
}

void ProgressRange::checkpoint(const char* path, int line, const char* label, float f) const {
  if (ui_) ui_->progress(map(f), checkpointText(path, line, label));
}
