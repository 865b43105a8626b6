#pragma once

#include <type_traits>

#include "util/SaturatingCast.h"
#include "variables/VariableBase.h"

namespace corvane {

// A plain value. T is the type of the effective value, S the type of the range bounds.
template <class T, class S>
class Variable : public VariableBaseT<T> {
 public:
  using Scale = S;
  // An integer variable on a floating-point scale holds its value in the scale's type so
  // that logarithmic steps between integers are kept; its effective value truncates.
  using Stored =
      std::conditional_t<std::is_integral<T>::value && std::is_floating_point<S>::value, S, T>;

  Variable(S min, S max) : min_(min), max_(max) {}

  float scaled() const override { return static_cast<float>(value_); }
  void setScaled(float proportion) override { value_ = toStored(proportion); }
  T effectiveValue() const override { return toValue(value_); }

  Stored value() const { return value_; }
  void setValue(Stored value) { value_ = value; }
  S minimum() const { return min_; }
  S maximum() const { return max_; }

 protected:
  static Stored toStored(float x) {
    if constexpr (std::is_integral<Stored>::value) {
      return saturatingCast<Stored>(x);
    } else {
      return static_cast<Stored>(x);
    }
  }
  static T toValue(Stored x) {
    if constexpr (std::is_integral<T>::value && std::is_floating_point<Stored>::value) {
      return saturatingCast<T>(x);
    } else {
      return static_cast<T>(x);
    }
  }

  Stored value_{};
  S min_;
  S max_;
};

}  // namespace corvane
