#pragma once

namespace kestrum {
namespace matting {

// The arithmetic types of one matting variant: the single-precision type of colours and
// scores, the double-precision type of statistics and the sample type of stored colours.
template <class FloatT, class DoubleT, class SampleT>
struct cbbTypes {
  using Float = FloatT;
  using Double = DoubleT;
  using Sample = SampleT;
};

}  // namespace matting
}  // namespace kestrum
