#pragma once

#include <QtGlobal>

namespace kestrum {

// Colour spaces convertColourSpace() knows. HLS components are hue, lightness, saturation.
enum ColourSpace : int { ColourSpaceHLS = 0, ColourSpaceRGB = 1 };

// Converts three components in place between RGB and HLS, each scaled to 0 .. scale (255 for
// bytes); results are truncated towards zero. Hue is a fraction of the circle times the scale,
// red at 0. Any other pair of spaces logs a warning and leaves the components as they are.
void convertColourSpace(qint16& c0, qint16& c1, qint16& c2, int from, int to, double scale);

}  // namespace kestrum
