#pragma once

#include <blitz/array.h>

namespace corvane {

// The last valid index of dimension `dim`, whatever the array's index base.
template <class T, int N>
inline int lastIndex(const blitz::Array<T, N>& array, int dim) {
  return array.lbound(dim) + array.extent(dim) - 1;
}

}  // namespace corvane
