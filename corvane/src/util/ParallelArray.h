#pragma once

#include <blitz/array.h>

#include <cstddef>
#include <memory>
#include <new>

#include "util/Box.h"
#include "util/ParallelBands.h"

namespace corvane {

// An array over the inclusive box whose elements are constructed in bands of rows on the
// engine's workers, and destroyed the same way once `owner` lets them go: the array only views
// them. Made for arrays of a few hundred thousand small objects, such as the block grid's
// histograms, whose construction and first touch of fresh pages on one thread would otherwise
// take as long as the stage that fills them. `owner` lets its previous elements go first. T's
// default constructor and destructor must not throw.
template <class T>
blitz::Array<T, 2> parallelArrayOver(const Box& box, std::shared_ptr<T>& owner) {
  owner.reset();
  if (box.empty()) return blitz::Array<T, 2>();
  const int rows = box.upperRow - box.lowerRow + 1;
  const int columns = box.upperColumn - box.lowerColumn + 1;
  const size_t rowSize = size_t(columns);
  T* const data = static_cast<T*>(::operator new(size_t(rows) * rowSize * sizeof(T)));
  forEachInParallel(size_t(rows), 8, [&](size_t r) {
    for (T *p = data + r * rowSize, *end = p + rowSize; p != end; ++p) new (p) T();
  });
  owner = std::shared_ptr<T>(data, [rows, rowSize](T* elements) {
    try {
      forEachInParallel(size_t(rows), 8, [&](size_t r) {
        for (T *p = elements + r * rowSize, *end = p + rowSize; p != end; ++p) p->~T();
      });
    } catch (...) {
      // Destructors do not throw; were the bands' hand-out itself to fail, the elements left
      // would only leak what they own.
    }
    ::operator delete(elements);
  });
  blitz::Array<T, 2> view(data, blitz::shape(rows, columns), blitz::neverDeleteData);
  view.reindexSelf(blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn));
  return view;
}

}  // namespace corvane
