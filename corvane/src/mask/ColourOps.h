#pragma once

// Small per-pixel colour operations of mask generation, all in single precision unless said.
// Channels 0 to 2 are colour, channel 3 alpha; results are in sample units.

#include <blitz/array.h>

#include <algorithm>
#include <cstdint>

#include "mask/FloatColour.h"
#include "mask/MaskPixelType.h"

namespace corvane {
namespace mask {

// Three 8-bit colour channels, as the session's colour maps hold them.
using ByteColour3 = blitz::TinyVector<uint8_t, 3>;
// (distance to the nearest class-2 cell, distance to the nearest class-4 cell).
using ClassDistances = blitz::TinyVector<float, 2>;

// A float truncated toward zero into 0..maxSample; NaN gives 0.
template <class PixelType>
inline typename PixelType::Sample sampleFromFloat(float v) {
  using Sample = typename PixelType::Sample;
  if (!(v > 0.0f)) return Sample(0);
  if (v >= PixelType::maxSampleF) return Sample(PixelType::maxSample);
  return static_cast<Sample>(v);
}

// Channels 0 to 2 of any pixel as floats.
template <class AnyPixel>
inline FloatColour colourToFloat(const AnyPixel& p) {
  return FloatColour{
      {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])}};
}

// Stores a colour into channels 0 to 2 of a pixel, each truncated toward zero and clamped to
// 0..maxSample; the alpha channel is left alone.
template <class PixelType>
inline void floatToColour(const FloatColour& c, typename PixelType::Pixel& p) {
  p[0] = sampleFromFloat<PixelType>(c[0]);
  p[1] = sampleFromFloat<PixelType>(c[1]);
  p[2] = sampleFromFloat<PixelType>(c[2]);
}

inline FloatColour scaleColour(const FloatColour& c, float s) {
  return FloatColour{{c[0] * s, c[1] * s, c[2] * s}};
}

// a·A + b·B.
inline FloatColour lerpColour(float a, const FloatColour& A, float b, const FloatColour& B) {
  return FloatColour{{a * A[0] + b * B[0], a * A[1] + b * B[1], a * A[2] + b * B[2]}};
}

// A − B.
inline FloatColour colourDifference(const FloatColour& A, const FloatColour& B) {
  return FloatColour{{A[0] - B[0], A[1] - B[1], A[2] - B[2]}};
}

// (A − B) · V.
inline float dotDifference(const FloatColour& A, const FloatColour& B, const FloatColour& V) {
  return (A[0] - B[0]) * V[0] + (A[1] - B[1]) * V[1] + (A[2] - B[2]) * V[2];
}

// C − s·V.
inline FloatColour subtractScaled(const FloatColour& C, float s, const FloatColour& V) {
  return FloatColour{{C[0] - s * V[0], C[1] - s * V[1], C[2] - s * V[2]}};
}

// |V|²: each square in single precision, the sum in double precision.
inline double colourNormSquared(const FloatColour& V) {
  const float r = V[0] * V[0], g = V[1] * V[1], b = V[2] * V[2];
  return static_cast<double>(r) + static_cast<double>(g) + static_cast<double>(b);
}

// c1·a1·b1 + c2·a2·b2 + c3·a3·b3 + c4·a4·b4 of four byte colours, each with two weights.
inline FloatColour bilinearColour(const ByteColour3& c1, float a1, float b1, const ByteColour3& c2,
                                  float a2, float b2, const ByteColour3& c3, float a3, float b3,
                                  const ByteColour3& c4, float a4, float b4) {
  FloatColour out;
  for (int k = 0; k < 3; ++k)
    out[k] = float(c1[k]) * a1 * b1 + float(c2[k]) * a2 * b2 + float(c3[k]) * a3 * b3 +
             float(c4[k]) * a4 * b4;
  return out;
}

// Per channel, all four: truncate(a·wa + b·wb), computed in floats and kept in range.
template <class PixelType>
inline typename PixelType::Pixel blendPixels(const typename PixelType::Pixel& a, float wa,
                                             const typename PixelType::Pixel& b, float wb) {
  typename PixelType::Pixel out;
  for (int k = 0; k < 4; ++k)
    out[k] =
        sampleFromFloat<PixelType>(static_cast<float>(a[k]) * wa + static_cast<float>(b[k]) * wb);
  return out;
}

// How much of a working cell belongs to class 4: 0 for class 2, 1 for class 4 (class 2 wins
// when both bits are set), otherwise its share d2 / (d2 + d4) of the two chamfer distances.
inline float cellShare(uint8_t status, const ClassDistances& d) {
  if (status & 2) return 0.0f;
  if (status & 4) return 1.0f;
  return d[0] / (d[0] + d[1]);
}

// The third smallest of five values.
template <class T>
inline T median5(T a, T b, T c, T d, T e) {
  // The larger of the pair minima and the smaller of the pair maxima bound the median of
  // the four; with the fifth value the median of three decides.
  const T lo = std::max(std::min(a, b), std::min(c, d));
  const T hi = std::min(std::max(a, b), std::max(c, d));
  return std::max(std::min(lo, hi), std::min(std::max(lo, hi), e));
}

}  // namespace mask
}  // namespace corvane
