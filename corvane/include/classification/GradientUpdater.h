#pragma once

#include <blitz/array.h>

#include <cstdint>

#include "classification/Segmentation.h"

namespace corvane {
namespace classification {

// One worker of the gradient stage: computes the two logarithmic spread values of every pixel
// of the bands it takes from the segmentation's row dispenser.
class GradientUpdater {
 public:
  using Values = blitz::TinyVector<float, 2>;

  GradientUpdater() = default;
  GradientUpdater(Segmentation<6, 0>* segmentation, const BlockGrid& grid,
                  const blitz::Array<Values, 2>& values);

  void setBand(const GradientBand& band) { band_ = band; }
  void operator()();

  // The values of pixel (r, s); (r + 1, s + 1) must lie in the image.
  Values pixelValues(int32_t r, int32_t s) const;

 private:
  void computeBand();

  Segmentation<6, 0>* segmentation_ = nullptr;
  Box blocks_{0, 0, -1, -1};
  int32_t blockSize_ = 1;
  float inverseBlockSize_ = 1.0f;
  blitz::Array<Values, 2> values_;
  GradientBand band_;
};

}  // namespace classification
}  // namespace corvane
