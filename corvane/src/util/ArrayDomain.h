#pragma once

#include <blitz/array.h>

#include "util/Box.h"

namespace corvane {

// The index box of a 2-D array, both corners inclusive (empty for an empty array).
template <class T>
inline Box domainOf(const blitz::Array<T, 2>& a) {
  return Box{a.lbound(0), a.lbound(1), a.ubound(0), a.ubound(1)};
}

// An array over the inclusive box; an empty box gives an array without elements (and
// without an index base: Blitz would offset its null storage by the base).
template <class T>
blitz::Array<T, 2> arrayOver(const Box& box) {
  if (box.empty()) return blitz::Array<T, 2>();
  return blitz::Array<T, 2>(blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn),
                            blitz::TinyVector<int, 2>(box.upperRow - box.lowerRow + 1,
                                                      box.upperColumn - box.lowerColumn + 1));
}

// Whether `a` is indexed exactly over `box` (an empty box: `a` has no elements).
template <class T>
bool coversExactly(const blitz::Array<T, 2>& a, const Box& box) {
  const int rows = box.empty() ? 0 : box.upperRow - box.lowerRow + 1;
  const int columns = box.empty() ? 0 : box.upperColumn - box.lowerColumn + 1;
  if (a.extent(0) != rows || a.extent(1) != columns) return false;
  return box.empty() || (a.lbound(0) == box.lowerRow && a.lbound(1) == box.lowerColumn);
}

}  // namespace corvane
