#pragma once

#include <string>

namespace kestrum {
namespace utility {

// The receiver of progress reports. Long loops hand it the overall fraction of their
// operation (0..1); the receiver decides how often the host is told, and may stop the
// operation by throwing out of progress().
class IiUI {
 public:
  virtual void progress(float fraction, const std::string& label) = 0;
  virtual ~IiUI() = default;
};

}  // namespace utility
}  // namespace kestrum
