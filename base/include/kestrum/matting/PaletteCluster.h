#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace kestrum {
namespace matting {

// A symmetric 3x3 matrix over the colour channels 0, 1 and 2, held as its six distinct
// elements: the diagonal, then (0,1), (1,2) and (0,2).
struct Symmetric3 {
  double m00 = 0.0;
  double m11 = 0.0;
  double m22 = 0.0;
  double m01 = 0.0;
  double m12 = 0.0;
  double m02 = 0.0;
};

using Vector3 = std::array<double, 3>;

// One colour cluster of a palette: its member colours with running statistics, so that a
// split costs one pass over the members and the side that stays only subtracts.
template <class S>
struct PaletteCluster {
  using Sample = S;
  using Colour = std::array<S, 3>;

  // Second-moment sums over the members: Σc0², Σc1², Σc2², Σc0c1, Σc1c2, Σc0c2.
  Symmetric3 moments;
  // Channel sums over the members.
  Vector3 sums{};
  std::vector<Colour> colours;
  // Largest eigenvalue of the scatter matrix and its eigenvector (not normalised).
  double eigenvalue = 0.0;
  Vector3 axis{};
  // One weight per member, parallel to `colours`.
  std::vector<float> weights;

  bool empty() const { return colours.empty(); }
  size_t size() const { return colours.size(); }
};

}  // namespace matting
}  // namespace kestrum
