#pragma once

#include <cstdint>
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

// The 64-bit integer held to the 32-bit range.
constexpr int32_t clampToInt32(int64_t v) noexcept {
  return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// a × b held to the 64-bit range.
inline int64_t saturatingProduct(int64_t a, int64_t b) noexcept {
  int64_t p;
  if (!__builtin_mul_overflow(a, b, &p)) return p;
  return (a < 0) != (b < 0) ? std::numeric_limits<int64_t>::min()
                            : std::numeric_limits<int64_t>::max();
}

}  // namespace corvane
