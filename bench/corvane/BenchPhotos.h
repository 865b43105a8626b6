#pragma once

// Synthetic 12-megapixel pictures shared by the benchmarks: the classification stages are
// only as fast as the colour statistics of their input, so they are measured on pictures
// shaped like photographs rather than on uniform noise.

#include <blitz/array.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "Corvane.h"
#include "classification/RancourStage.h"
#include "util/ProcessorCount.h"

namespace bench_photos {

// An engine with one session and one status image over a host picture of four 8-bit
// channels, which it keeps; everything is released with the engine.
struct HostSession {
  HostSession(uint32_t width, uint32_t height, std::vector<uint8_t> hostPixels)
      : pixels(std::move(hostPixels)) {
    const CvImage picture{width, height, width * 4, CvKindRgba8, pixels.data()};
    session = CvBeginSession(engine, picture, nullptr, nullptr);
    status = CvNewStatusImage(engine, picture);
  }
  ~HostSession() { CvFinish(engine); }
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  std::vector<uint8_t> pixels;
  CvEngine* engine = CvInit();
  CvSession* session = nullptr;
  CvImage* status = nullptr;
};

// A scene of `count` cells (the nearest of random centres), each with its own colour and
// linear shading, so that neighbouring cells meet in sharp edges. The constructor draws the
// centres from `rng`; the benchmarks then draw their own noise from it, pixel by pixel.
class CellScene {
 public:
  CellScene(int rows, int columns, int count, std::mt19937& rng) : cells_(count) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (Cell& cell : cells_) {
      cell.r = unit(rng) * rows;
      cell.c = unit(rng) * columns;
      for (int k = 0; k < 3; ++k) {
        cell.base[k] = 30.0f + unit(rng) * 190.0f;
        cell.slopeR[k] = (unit(rng) - 0.5f) * 0.05f;
        cell.slopeC[k] = (unit(rng) - 0.5f) * 0.05f;
      }
    }
  }
  // Colour component k of the cell nearest to (r, c), before noise.
  struct Shade {
    float value[3];
  };
  Shade operator()(int r, int c) const {
    const Cell* best = &cells_[0];
    float bestDistance = 1e30f;
    for (const Cell& cell : cells_) {
      const float dr = cell.r - r, dc = cell.c - c;
      const float d = dr * dr + dc * dc;
      if (d < bestDistance) bestDistance = d, best = &cell;
    }
    Shade shade;
    for (int k = 0; k < 3; ++k)
      shade.value[k] =
          best->base[k] + best->slopeR[k] * (r - best->r) + best->slopeC[k] * (c - best->c);
    return shade;
  }

 private:
  struct Cell {
    float r, c, base[3], slopeR[3], slopeC[3];
  };
  std::vector<Cell> cells_;
};

using Picture = classification::RancourStage::Image;
using Analysis = classification::RancourStage::Output;

// Smooth random relief: value noise interpolated bilinearly between random values on a grid
// of the given cell size, within -1..1.
class ValueNoise {
 public:
  ValueNoise(int rows, int cols, int cell, std::mt19937& rng)
      : cell_(cell), gridCols_(cols / cell + 2), values_((rows / cell + 2) * gridCols_) {
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    for (float& v : values_) v = uniform(rng);
  }
  float operator()(int r, int c) const {
    const int gr = r / cell_, gc = c / cell_;
    const float fr = float(r % cell_) / float(cell_), fc = float(c % cell_) / float(cell_);
    const float* top = &values_[gr * gridCols_ + gc];
    const float* bottom = top + gridCols_;
    const float upper = top[0] + (top[1] - top[0]) * fc;
    const float lower = bottom[0] + (bottom[1] - bottom[0]) * fc;
    return upper + (lower - upper) * fr;
  }

 private:
  int cell_;
  int gridCols_;
  std::vector<float> values_;
};

// A 4000 x 3000 picture with the structure of a photograph: smooth shading of a background,
// a few objects with sharp edges and shading of their own, a striped one, surface texture at
// several scales and fine sensor noise.
inline const Picture& photo() {
  static const Picture image = [] {
    const int rows = 3000, cols = 4000;
    Picture im(rows, cols);
    std::mt19937 rng(42);
    const int cells[4] = {512, 128, 32, 8};
    const float amplitudes[4] = {24.0f, 14.0f, 9.0f, 6.0f};
    std::vector<ValueNoise> relief;
    for (int k = 0; k < 3; ++k) {
      for (int cell : cells) relief.emplace_back(rows, cols, cell, rng);
    }
    std::normal_distribution<float> noise(0.0f, 4.0f);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        const float x = c / float(cols), y = r / float(rows);
        const bool object = (x - 0.5f) * (x - 0.5f) + (y - 0.55f) * (y - 0.55f) < 0.08f;
        const bool stripe = object && (static_cast<int>(x * 60.0f) & 1);
        const bool box = x > 0.06f && x < 0.3f && y > 0.1f && y < 0.4f;
        float base[3] = {object ? 170.0f - 40.0f * x : 90.0f + 80.0f * y,
                         object ? 120.0f + 30.0f * y : 120.0f + 60.0f * std::sin(6.0f * x),
                         stripe   ? 210.0f
                         : object ? 60.0f
                                  : 200.0f - 100.0f * y};
        if (box) {
          base[0] = 40.0f + 120.0f * x;
          base[1] = 200.0f - 90.0f * y;
          base[2] = 100.0f + 30.0f * std::sin(40.0f * y);
        }
        for (int k = 0; k < 3; ++k) {
          float v = base[k] + noise(rng);
          for (int o = 0; o < 4; ++o) v += amplitudes[o] * relief[4 * k + o](r, c);
          im(r, c)[k] = static_cast<uint8_t>(v < 0.0f ? 0.0f : v > 255.0f ? 255.0f : v);
        }
        im(r, c)[3] = 255;
      }
    }
    return im;
  }();
  return image;
}

// The analysis image of photo() with the defaults of a picture whose larger side is 4000
// pixels: "#texture" 15 (a disc of side 16), "t%" 1/6 and "#maxBits" 7.
inline const Analysis& analysedPhoto() {
  static const Analysis image = [] {
    corvane::setProcessorCountOverride(0);
    classification::RancourStage stage(15, 1.0f / 6.0f, 7);
    return stage.run(photo(), ProgressRange());
  }();
  return image;
}

}  // namespace bench_photos
