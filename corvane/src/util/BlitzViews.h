#pragma once

#include <blitz/array.h>

#include <cstdint>

namespace corvane {

// A view of the inclusive box (lowRow, lowCol)..(highRow, highCol) of `parent` that keeps the
// parent's index values: Blitz restarts a sub-array's base at 0, so the view is reindexed.
template <class T>
blitz::Array<T, 2> subView(const blitz::Array<T, 2>& parent, int lowRow, int lowCol, int highRow,
                           int highCol) {
  blitz::TinyVector<int, 2> low(lowRow, lowCol);
  blitz::TinyVector<int, 2> high(highRow, highCol);
  blitz::Array<T, 2> view = parent(blitz::RectDomain<2>(low, high));
  view.reindexSelf(low);
  return view;
}

// A view of one scalar component of every pixel of a multi-component array. Blitz's own
// component view does not reference the source storage, so this keeps a shared copy of the
// source alongside the view; the view is valid as long as this object lives.
template <class Pixel, class Sample = typename Pixel::T_numtype>
class ComponentView {
 public:
  ComponentView() = default;
  ComponentView(const blitz::Array<Pixel, 2>& source, int component)
      : source_(source), view_(source_.extractComponent(Sample(), component, Pixel::length())) {}
  ComponentView(const ComponentView&) = default;
  // Blitz's own assignment copies elements between arrays of equal shape; a view is
  // re-pointed instead.
  ComponentView& operator=(const ComponentView& other) {
    source_.reference(other.source_);
    view_.reference(other.view_);
    return *this;
  }

  blitz::Array<Sample, 2>& array() { return view_; }
  const blitz::Array<Sample, 2>& array() const { return view_; }
  const blitz::Array<Pixel, 2>& source() const { return source_; }

 private:
  blitz::Array<Pixel, 2> source_;
  blitz::Array<Sample, 2> view_;
};

}  // namespace corvane
