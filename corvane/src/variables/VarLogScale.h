#pragma once

#include <cmath>
#include <type_traits>

#include "variables/VarScaled.h"

namespace corvane {

// A value whose proportion runs along the logarithm of the range; min and max are held as
// natural logarithms and the value, for integer variables too, as a float.
template <class T, class S>
class VarLogScale : public VarScaled<T, S> {
  static_assert(std::is_floating_point<S>::value, "a logarithmic scale is floating point");

 public:
  VarLogScale(S min, S max) : VarScaled<T, S>(std::log(min), std::log(max)) {}

  float scaled() const override {
    return (std::log(this->value_) - this->min_) / (this->max_ - this->min_);
  }
  void setScaled(float proportion) override {
    this->value_ = std::exp(this->min_ + proportion * (this->max_ - this->min_));
  }
};

}  // namespace corvane
