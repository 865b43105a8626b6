#pragma once

#include <blitz/array.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "classification/RancourStage.h"
#include "classification/RankFilter.h"
#include "kestrum/utility/IiUI.h"
#include "util/CvExCancel.h"
#include "util/ProcessorCount.h"

namespace classification_test {

using Pixel = blitz::TinyVector<unsigned char, 6>;

inline Pixel pixel(int b0, int b1, int b2, int b3, int b4, int b5) {
  Pixel p;
  p[0] = uint8_t(b0), p[1] = uint8_t(b1), p[2] = uint8_t(b2);
  p[3] = uint8_t(b3), p[4] = uint8_t(b4), p[5] = uint8_t(b5);
  return p;
}

// A deterministic image with smooth gradients and some noise, like a filtered photograph.
inline blitz::Array<Pixel, 2> photoLikeImage(int rows, int columns, int firstRow = 0,
                                             int firstColumn = 0, uint32_t seed = 1) {
  blitz::Array<Pixel, 2> image(blitz::TinyVector<int, 2>(firstRow, firstColumn),
                               blitz::TinyVector<int, 2>(rows, columns));
  uint32_t state = seed;
  auto noise = [&state] {
    state = state * 1664525u + 1013904223u;
    return int(state >> 29);  // 0..7
  };
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < columns; ++j) {
      const int r = (i * 200) / (rows + 1) + noise();
      const int g = (j * 180) / (columns + 1) + noise();
      const int b = ((i + j) * 90) / (rows + columns + 1) + noise();
      image(firstRow + i, firstColumn + j) = pixel(r, g, b, r + noise(), g + noise(), b + noise());
    }
  }
  return image;
}

// Sets the worker count for the lifetime of the object.
struct ProcessorOverride {
  explicit ProcessorOverride(unsigned count) { corvane::setProcessorCountOverride(count); }
  ~ProcessorOverride() { corvane::setProcessorCountOverride(0); }
};

// The value at `fraction` among the samples, by sorting.
inline int sortedRank(std::vector<int> v, float fraction) {
  std::sort(v.begin(), v.end());
  const auto r = classification::fractionRank(fraction, int(v.size()));
  const int a = v[size_t(r.lower - 1)], b = v[size_t(r.upper - 1)];
  return a + int(float(b - a) * r.weight + 0.5f);
}

// The analysis channels of one colour component written out pixel by pixel: quantise, a disc
// window reaching towards the upper bounds, then one reaching towards the lower bounds, the
// image continued beyond its edges by its edge pixels at each pass.
inline void referenceChannels(const classification::RancourStage::Image& image, int component,
                              int texture, float t, int maxBits, blitz::Array<int, 2>& opening,
                              blitz::Array<int, 2>& closing) {
  const int r0 = image.lbound(0), r1 = image.ubound(0), c0 = image.lbound(1), c1 = image.ubound(1);
  auto clamp = [](int v, int lo, int hi) { return std::min(hi, std::max(lo, v)); };
  const auto disc = classification::makeDisc(texture + 1);
  blitz::Array<int, 2> low(image.lbound(), image.extent()), high(image.lbound(), image.extent());
  opening.resize(image.extent());
  opening.reindexSelf(image.lbound());
  closing.resize(image.extent());
  closing.reindexSelf(image.lbound());
  std::vector<int> a, b;
  for (int pass = 0; pass < 2; ++pass) {
    for (int r = r0; r <= r1; ++r) {
      for (int c = c0; c <= c1; ++c) {
        a.clear();
        b.clear();
        for (int i = 0; i <= texture; ++i) {
          for (int j = 0; j <= texture; ++j) {
            if (!disc(i, j)) continue;
            if (pass == 0) {
              a.push_back(image(clamp(r + i, r0, r1), clamp(c + j, c0, c1))[component] >>
                          (8 - maxBits));
            } else {
              a.push_back(low(clamp(r - i, r0, r1), clamp(c - j, c0, c1)));
              b.push_back(high(clamp(r - i, r0, r1), clamp(c - j, c0, c1)));
            }
          }
        }
        if (pass == 0) {
          low(r, c) = sortedRank(a, t);
          high(r, c) = sortedRank(a, 1.0f - t);
        } else {
          opening(r, c) = sortedRank(a, 1.0f - t);
          closing(r, c) = sortedRank(b, t);
        }
      }
    }
  }
}

// Output channels j and j + 3 are the opening and closing of colour component 2 - j.
inline void expectMatchesReference(const classification::RancourStage::Output& out,
                                   const classification::RancourStage::Image& image, int texture,
                                   float t, int maxBits) {
  for (int job = 0; job < 3; ++job) {
    blitz::Array<int, 2> opening, closing;
    referenceChannels(image, 2 - job, texture, t, maxBits, opening, closing);
    for (int r = image.lbound(0); r <= image.ubound(0); ++r) {
      for (int c = image.lbound(1); c <= image.ubound(1); ++c) {
        ASSERT_EQ(out(r, c)[job], opening(r, c)) << "opening " << job << " at " << r << "," << c;
        ASSERT_EQ(out(r, c)[job + 3], closing(r, c))
            << "closing " << job << " at " << r << "," << c;
      }
    }
  }
}

}  // namespace classification_test
