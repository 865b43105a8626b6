#pragma once

#include <algorithm>
#include <cmath>

#include <QMetaType>
#include <QRgb>
#include <QtGlobal>

namespace kestrum {

// Colour spaces convertColourSpace() knows. HLS components are hue, lightness, saturation.
enum ColourSpace : int { ColourSpaceHLS = 0, ColourSpaceRGB = 1 };

// Converts three components in place between RGB and HLS, each scaled to 0 .. scale (255 for
// bytes); results are truncated towards zero. Hue is a fraction of the circle times the scale,
// red at 0. Any other pair of spaces logs a warning and leaves the components as they are.
void convertColourSpace(qint16& c0, qint16& c1, qint16& c2, int from, int to, double scale);

// The colour channels a colour selection works on, with each one's value of a pixel on 0..255.
// Hue, lightness and saturation form one colour model, red, green and blue the other.
namespace colour {

enum channel : int { Hue = 0, Lightness = 1, Saturation = 2, Red = 3, Green = 4, Blue = 5 };

namespace detail {

// The channels of a QRgb on 0..1, in single precision as the selection defines them.
constexpr float kUnit = 0.003921569f;
// Below this, maximum and minimum are one grey: hue and saturation are 0.
constexpr float kGrey = 1.1920929e-7f;

// Logs the three lines of a hue that found no channel at the maximum (cannot happen for a
// maximum taken from the three channels; kept as the check it is).
void reportHueWithoutMaximum(float r, float g, float b, float max, float min);

}  // namespace detail

// Each of these takes a pixel's red, green and blue (alpha is ignored) and answers the channel's
// value scaled to 0..255, truncated towards zero. Pure: any thread.
inline int rgbToLightness(QRgb rgb) {
  const float r = qRed(rgb) * detail::kUnit, g = qGreen(rgb) * detail::kUnit,
              b = qBlue(rgb) * detail::kUnit;
  const float max = std::max(r, std::max(g, b)), min = std::min(r, std::min(g, b));
  return int((max + min) * 0.5f * 255.0f);
}

inline int rgbToSaturation(QRgb rgb) {
  const float r = qRed(rgb) * detail::kUnit, g = qGreen(rgb) * detail::kUnit,
              b = qBlue(rgb) * detail::kUnit;
  const float max = std::max(r, std::max(g, b)), min = std::min(r, std::min(g, b));
  if (std::fabs(max - min) <= detail::kGrey) return 0;
  const float sum = max + min;
  const float s = sum * 0.5f < 0.5f ? (max - min) / sum : (max - min) / (2.0f - max - min);
  return int(s * 255.0f);
}

inline int rgbToHue(QRgb rgb) {
  const float r = qRed(rgb) * detail::kUnit, g = qGreen(rgb) * detail::kUnit,
              b = qBlue(rgb) * detail::kUnit;
  const float max = std::max(r, std::max(g, b)), min = std::min(r, std::min(g, b));
  if (std::fabs(max - min) <= detail::kGrey) return 0;
  const float d = max - min;
  float h;
  if (std::fabs(r - max) < 0.001f) {
    h = (max - b) / d - (max - g) / d;
  } else if (std::fabs(g - max) < 0.001f) {
    h = 2.0f + (max - r) / d - (max - b) / d;
  } else if (std::fabs(b - max) < 0.001f) {
    h = 4.0f + (max - g) / d - (max - r) / d;
  } else {
    detail::reportHueWithoutMaximum(r, g, b, max, min);
    return 0;
  }
  if (h < 0.0f) h += 6.0f;
  return int(h * 0.16666667f * 255.0f);
}

// The value of `rgb` on `which`, 0..255; 0 for a value that names no channel.
inline int channelValue(QRgb rgb, channel which) {
  switch (which) {
    case Hue:
      return rgbToHue(rgb) & 0xFF;
    case Lightness:
      return rgbToLightness(rgb) & 0xFF;
    case Saturation:
      return rgbToSaturation(rgb) & 0xFF;
    case Red:
      return qRed(rgb);
    case Green:
      return qGreen(rgb);
    case Blue:
      return qBlue(rgb);
  }
  return 0;
}

}  // namespace colour

}  // namespace kestrum

Q_DECLARE_METATYPE(kestrum::colour::channel)
