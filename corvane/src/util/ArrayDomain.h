#pragma once

#include <blitz/array.h>

#include "util/Box.h"

namespace corvane {

// The index box of a 2-D array, both corners inclusive (empty for an empty array).
template <class T>
inline Box domainOf(const blitz::Array<T, 2>& a) {
  return Box{a.lbound(0), a.lbound(1), a.ubound(0), a.ubound(1)};
}

}  // namespace corvane
