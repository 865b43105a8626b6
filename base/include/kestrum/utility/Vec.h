#pragma once

namespace kestrum {
namespace utility {

// A fixed number of values stored side by side, with the member names Blitz++ looks for in a
// multi-component element (T_numtype, length()), so that a 2-D array of Vec can be viewed one
// component at a time.
template <class T, int N>
struct Vec {
  typedef T T_numtype;
  static constexpr int length() { return N; }

  T& operator[](int i) { return values[i]; }
  const T& operator[](int i) const { return values[i]; }

  T values[N];
};

}  // namespace utility
}  // namespace kestrum
