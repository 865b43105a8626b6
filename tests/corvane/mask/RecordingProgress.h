#pragma once

#include <string>
#include <vector>

#include "kestrum/utility/IiUI.h"

namespace corvane {
namespace mask {

// Keeps every progress fraction it is told, in order.
class RecordingProgress : public kestrum::utility::IiUI {
 public:
  void progress(float fraction, const std::string& label) override {
    fractions.push_back(fraction);
    labels.push_back(label);
  }
  std::vector<float> fractions;
  std::vector<std::string> labels;
};

}  // namespace mask
}  // namespace corvane
