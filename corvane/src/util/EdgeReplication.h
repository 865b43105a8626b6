#pragma once

#include <blitz/array.h>

#include "util/Box.h"

namespace corvane {

// Fills every element of `a` outside `inner` from the nearest element of inner's border: rows
// above and below inner first (within inner's columns), then the columns left and right of
// inner over all rows, so that the corners take inner's corner values. `copy(to, from)` moves
// one element; inner must lie inside a, and an empty inner leaves a as it is.
template <class T, class Copy>
void replicateEdges(blitz::Array<T, 2>& a, const Box& inner, Copy copy) {
  if (inner.empty()) return;
  for (int r = a.lbound(0); r < inner.lowerRow; ++r)
    for (int c = inner.lowerColumn; c <= inner.upperColumn; ++c)
      copy(a(r, c), a(inner.lowerRow, c));
  for (int r = inner.upperRow + 1; r <= a.ubound(0); ++r)
    for (int c = inner.lowerColumn; c <= inner.upperColumn; ++c)
      copy(a(r, c), a(inner.upperRow, c));
  for (int r = a.lbound(0); r <= a.ubound(0); ++r) {
    for (int c = a.lbound(1); c < inner.lowerColumn; ++c) copy(a(r, c), a(r, inner.lowerColumn));
    for (int c = inner.upperColumn + 1; c <= a.ubound(1); ++c)
      copy(a(r, c), a(r, inner.upperColumn));
  }
}

// The same with plain assignment.
template <class T>
void replicateEdges(blitz::Array<T, 2>& a, const Box& inner) {
  replicateEdges(a, inner, [](T& to, const T& from) { to = from; });
}

}  // namespace corvane
