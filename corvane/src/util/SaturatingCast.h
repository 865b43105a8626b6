#pragma once

#include <limits>
#include <type_traits>

namespace corvane {

// Converts a floating-point value to an integer type the way a cast does (truncation toward
// zero) but never outside the integer's range: values beyond a limit give that limit and NaN
// gives 0. A plain cast of such a value is undefined, and tuning values reach them easily
// (a texture filter byte of 255 makes 2^127 pixel spacings).
template <class I, class F>
constexpr I saturatingCast(F x) noexcept {
  static_assert(std::is_integral<I>::value && std::is_floating_point<F>::value,
                "saturatingCast converts floating point to integers");
  // Both limits are powers of two (or their neighbours) that F holds exactly or rounds up
  // to the next power of two, so the comparisons below decide exactly.
  constexpr F lowest = static_cast<F>(std::numeric_limits<I>::min());
  constexpr F highest = static_cast<F>(std::numeric_limits<I>::max());
  if (x != x) return I(0);
  if (x <= lowest) return std::numeric_limits<I>::min();
  if (x >= highest) return std::numeric_limits<I>::max();
  return static_cast<I>(x);
}

}  // namespace corvane
