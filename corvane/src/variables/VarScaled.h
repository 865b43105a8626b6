#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "util/SaturatingCast.h"
#include "variables/Variable.h"

namespace corvane {

// A value with a linear range min..max.
template <class T, class S>
class VarScaled : public Variable<T, S> {
 public:
  using typename Variable<T, S>::Stored;

  VarScaled(S min, S max) : Variable<T, S>(min, max) {}

  float scaled() const override {
    if constexpr (std::is_floating_point<Stored>::value) {
      return (this->value_ - this->min_) / (this->max_ - this->min_);
    } else if constexpr (std::is_signed<Stored>::value) {
      // Widened so that a value saturated at the type's limit cannot overflow.
      return static_cast<float>(int64_t(this->value_) - int64_t(this->min_)) /
             static_cast<float>(int64_t(this->max_) - int64_t(this->min_));
    } else {
      return static_cast<float>(Stored(this->value_ - this->min_)) /
             static_cast<float>(Stored(this->max_ - this->min_));
    }
  }

  // Integer values round half up.
  void setScaled(float proportion) override {
    if constexpr (std::is_floating_point<Stored>::value) {
      this->value_ = this->min_ + proportion * (this->max_ - this->min_);
    } else {
      const float span = static_cast<float>(this->max_ - this->min_) * proportion;
      const double step = std::floor(span + 0.5);
      this->value_ = saturatingCast<Stored>(static_cast<double>(this->min_) + step);
    }
  }
};

}  // namespace corvane
