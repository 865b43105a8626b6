#pragma once

#include <cmath>
#include <functional>

#include <QImage>
#include <QPoint>

// pi as acos(-1), shared by the shadow, its tool and the direction dial.
inline const double kShadowPi = std::acos(-1.0);

// The shadow's blur kernel: a pyramid over (2 radius + 1)^2 taps, weight(i, j) =
// min(r - |r - i|, r - |r - j|) + 1, so the centre weighs r + 1 and the outer ring 1. Only the
// first size() rows and columns of `weights` are used.
struct ShadowKernel {
  static constexpr int kMinRadius = 1;
  static constexpr int kMaxRadius = 5;

  int radius = 3;  // 1 .. 5 pixels
  int weights[2 * kMaxRadius + 1][2 * kMaxRadius + 1] = {};
  float sum = 0.0f;  // of the used weights: 10, 35, 84, 165, 286 for radius 1 .. 5

  // `radius` is clamped to 1 .. 5.
  static ShadowKernel pyramid(int radius);
  int size() const { return 2 * radius + 1; }
};

// Asked once per row (from any of the threads a computation uses): true stops the computation.
using ShadowStop = std::function<bool()>;

// The flat shadow's mask: an opaque grey Format_RGB32 image of (W + 2 pad) x (H + 2 pad), pad =
// radius + 1, whose pixel (x, y) is nearest(sum / kernel sum) for sum = the kernel-weighted
// alpha of the source around (x - r, y - r) (outside pixels count 0). Placed r pixels up and
// left of the source it lies centred on the silhouette; its last two rows and columns stay
// black. Computed from one summed-area table: the pyramid is the sum of r + 1 concentric boxes.
// False (and `mask` untouched) when stopped; a null source gives a null mask.
bool flatShadowMask(const QImage& source, const ShadowKernel& kernel, const ShadowStop& stopped,
                    QImage* mask);

// Where the flat mask lies relative to the source's top-left for a source of `size`.
QPoint flatShadowOffset(const QSize& size, double direction, double length, int radius);

// The standing shadow before its blur: the silhouette projected from the foot (one row above
// the lowest opaque row, mid-way between its first and last opaque columns) onto the ground as
// a trapezoid leaning in `direction` (radians, 0 down, pi/2 left) over `length` (0 .. 1) of the
// source's size, foreshortened towards the tip. The tip row is the first, unless the shadow
// falls towards the viewer (`flipped`): then the rows are turned upside down so the tip row is
// the last. (The blur treats both ends alike, so blurring the turned mask is turning the
// blurred one.) The mask is opaque grey Format_ARGB32, as the blur takes it, and carries its
// canvas position, relative to the source's top-left plus the source's own offset, in its
// offset attribute. A source without an opaque pixel gives a null mask. False (and `mask`
// untouched) when stopped.
bool standingShadowProjection(const QImage& source, double direction, double length,
                              const ShadowStop& stopped, QImage* mask, bool* flipped);

// `mask` (an opaque grey Format_ARGB32 standing mask) inside a black border of `margin` pixels
// on every side, its offset attribute moved up and left by `margin`: the room a blur needs to
// fade out instead of ending at the mask's edges. A null mask stays null.
QImage withBlurRoom(const QImage& mask, int margin);
