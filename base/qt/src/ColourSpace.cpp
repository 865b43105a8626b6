#include "kestrum/qt/ColourSpace.h"

#include <algorithm>
#include <cmath>

#include <QDebug>

namespace kestrum {

namespace {

// Below this, maximum and minimum are one grey: hue and saturation are 0.
constexpr double kGreyTolerance = 1.1920929e-7;
// How near a channel must be to the maximum to name the hue's sector.
constexpr double kSectorTolerance = 0.001;

void rgbToHls(qint16& c0, qint16& c1, qint16& c2, double scale) {
  const double r = c0 / scale;
  const double g = c1 / scale;
  const double b = c2 / scale;
  const double mx = std::max({r, g, b});
  const double mn = std::min({r, g, b});
  const double l = (mx + mn) / 2.0;
  double h = 0.0;
  double s = 0.0;
  const double delta = mx - mn;
  if (delta > kGreyTolerance) {
    s = l < 0.5 ? delta / (mx + mn) : delta / (2.0 - mx - mn);
    const double rc = (mx - r) / delta;
    const double gc = (mx - g) / delta;
    const double bc = (mx - b) / delta;
    if (std::fabs(mx - r) < kSectorTolerance) {
      h = bc - gc;
    } else if (std::fabs(mx - g) < kSectorTolerance) {
      h = 2.0 + rc - bc;
    } else if (std::fabs(mx - b) < kSectorTolerance) {
      h = 4.0 + gc - rc;
    } else {
      qWarning() << "Shouldn't have got here" << r << g << b << mx << mn;
      h = 0.0;
    }
    if (h < 0.0) h += 6.0;
    h /= 6.0;
  }
  c0 = qint16(h * scale);
  c1 = qint16(l * scale);
  c2 = qint16(s * scale);
}

double hlsValue(double m1, double m2, double h) {
  if (h > 6.0) h -= 6.0;
  if (h < 0.0) h += 6.0;
  if (h < 1.0) return m1 + (m2 - m1) * h;
  if (h < 3.0) return m2;
  if (h < 4.0) return m1 + (m2 - m1) * (4.0 - h);
  return m1;
}

void hlsToRgb(qint16& c0, qint16& c1, qint16& c2, double scale) {
  const double h = c0 / scale;
  const double l = c1 / scale;
  const double s = c2 / scale;
  double r = l;
  double g = l;
  double b = l;
  if (s != 0.0) {
    const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double m1 = 2.0 * l - m2;
    const double h6 = 6.0 * h;
    r = hlsValue(m1, m2, h6 + 2.0);
    g = hlsValue(m1, m2, h6);
    b = hlsValue(m1, m2, h6 - 2.0);
  }
  c0 = qint16(r * scale);
  c1 = qint16(g * scale);
  c2 = qint16(b * scale);
}

}  // namespace

void convertColourSpace(qint16& c0, qint16& c1, qint16& c2, int from, int to, double scale) {
  if (from == ColourSpaceRGB && to == ColourSpaceHLS) {
    rgbToHls(c0, c1, c2, scale);
  } else if (from == ColourSpaceHLS && to == ColourSpaceRGB) {
    hlsToRgb(c0, c1, c2, scale);
  } else {
    qWarning("%s: %d: Not yet implemented! (colour space %d to %d)", __FILE__, __LINE__, from, to);
  }
}

}  // namespace kestrum

namespace kestrum::colour::detail {

void reportHueWithoutMaximum(float r, float g, float b, float max, float min) {
  qWarning("Shouldn't have got here %s: %d", __FILE__, __LINE__);
  qWarning().noquote() << QStringLiteral("RGB: %1, %2, %3").arg(r).arg(g).arg(b);
  qWarning().noquote() << QStringLiteral("Max: %1. Min: %2").arg(max).arg(min);
}

}  // namespace kestrum::colour::detail
