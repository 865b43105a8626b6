#pragma once

#include <cstdint>
#include <vector>

#include "Corvane.h"
#include "engine/CvExCancel.h"
#include "kestrum/utility/IiUI.h"

namespace analysetest {

// A host picture: two flat colours, left and right, joined by a soft edge `ramp` columns
// wide; with `textured` the right part carries a fine deterministic texture.
struct TwoColourPicture {
  std::vector<uint8_t> pixels;
  CvImage description;

  TwoColourPicture(uint32_t width, uint32_t height, uint32_t ramp = 4, bool textured = false)
      : pixels(size_t{width} * height * 4) {
    const uint8_t left[3] = {40, 60, 200};
    const uint8_t right[3] = {220, 180, 40};
    const uint32_t edge = width / 2;
    uint32_t state = 12345;
    for (uint32_t r = 0; r < height; ++r) {
      for (uint32_t c = 0; c < width; ++c) {
        uint8_t* p = &pixels[(size_t{r} * width + c) * 4];
        float t = 0.0f;
        if (c + ramp / 2 >= edge) t = float(c + ramp / 2 - edge + 1) / float(ramp + 1);
        if (t > 1.0f) t = 1.0f;
        for (int k = 0; k < 3; ++k) {
          int v = int(float(left[k]) * (1.0f - t) + float(right[k]) * t + 0.5f);
          if (textured && t >= 1.0f) {
            state = state * 1664525u + 1013904223u;
            v += ((r / 2 + c / 2) % 2 ? 30 : -30) + int((state >> 28) % 5) - 2;
          }
          p[k] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
        }
        p[3] = 255;
      }
    }
    description = CvImage{width, height, width * 4, CvKindRgba8, pixels.data()};
  }
};

// A progress receiver that cancels at its k-th report (k from 1; 0 never) and counts them.
class CancelAt : public kestrum::utility::IiUI {
 public:
  explicit CancelAt(int k) : k_(k) {}
  void progress(float, const std::string&) override {
    if (++count_ == k_) throw CvExCancel();
  }
  int count() const { return count_; }

 private:
  int k_;
  int count_ = 0;
};

}  // namespace analysetest
