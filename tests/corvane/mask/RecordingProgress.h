#pragma once

#include <string>
#include <vector>

#include "engine/CvExCancel.h"
#include "kestrum/utility/IiUI.h"

namespace corvane {
namespace mask {

// Keeps every progress fraction it is told, in order; cancels at report `cancelAt` (1-based).
class RecordingProgress : public kestrum::utility::IiUI {
 public:
  void progress(float fraction, const std::string& label) override {
    fractions.push_back(fraction);
    labels.push_back(label);
    if (cancelAt && fractions.size() == cancelAt) throw CvExCancel();
  }
  size_t cancelAt = 0;
  std::vector<float> fractions;
  std::vector<std::string> labels;
};

}  // namespace mask
}  // namespace corvane
