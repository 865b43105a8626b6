#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CvExCancel.h"
#include "kestrum/utility/IiUI.h"

namespace classification_test {

using Pixel = blitz::TinyVector<unsigned char, 6>;

// Keeps every report; throws CvExCancel at the first label that contains `cancelAt`.
class RecordingUI : public kestrum::utility::IiUI {
 public:
  struct Report {
    float fraction;
    std::string label;
  };
  explicit RecordingUI(std::string cancelAt = std::string()) : cancelAt_(std::move(cancelAt)) {}
  void progress(float fraction, const std::string& label) override {
    reports.push_back({fraction, label});
    if (!cancelAt_.empty() && label.find(cancelAt_) != std::string::npos) throw CvExCancel();
  }
  std::vector<Report> reports;

 private:
  std::string cancelAt_;
};

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

}  // namespace classification_test
