#include "kestrum/qt/ProcessorHLSAdjust.h"

#include <algorithm>

#include "kestrum/qt/ColourSpace.h"
#include "kestrum/qt/RowBands.h"

namespace kestrum {

namespace {
constexpr double kScale = 255.0;

qint16 shifted(qint16 value, qint16 offset) {
  return qint16(std::clamp(int(value) + int(offset), 0, 255));
}
}  // namespace

ProcessorHLSAdjust::ProcessorHLSAdjust(const QImage* input, QImage* output, qint16 hue,
                                       qint16 lightness, qint16 saturation, QObject* parent)
    : ProcessorThread(input, output, parent),
      hue_(hue),
      lightness_(lightness),
      saturation_(saturation) {}

ProcessorHLSAdjust::~ProcessorHLSAdjust() {
  stopAndWait();
}

QRgb ProcessorHLSAdjust::adjust(QRgb pixel, qint16 hue, qint16 lightness, qint16 saturation) {
  qint16 a = qint16(qRed(pixel));
  qint16 b = qint16(qGreen(pixel));
  qint16 c = qint16(qBlue(pixel));
  convertColourSpace(a, b, c, ColourSpaceRGB, ColourSpaceHLS, kScale);
  a = shifted(a, hue);
  b = shifted(b, lightness);
  c = shifted(c, saturation);
  convertColourSpace(a, b, c, ColourSpaceHLS, ColourSpaceRGB, kScale);
  return qRgba(std::clamp<int>(a, 0, 255), std::clamp<int>(b, 0, 255), std::clamp<int>(c, 0, 255),
               255);
}

void ProcessorHLSAdjust::process() {
  const QImage in = argb32Input();
  if (in.isNull()) {
    *output() = QImage();
    return;
  }
  QImage& out = prepareOutput(in.size());
  uchar* const pixels = out.bits();
  const int width = in.width();
  forEachRow(
      in.height(), [this] { return isAborted(); },
      [&](int y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(in.constScanLine(y));
        QRgb* target = reinterpret_cast<QRgb*>(pixels + std::size_t(y) * out.bytesPerLine());
        for (int x = 0; x < width; ++x)
          target[x] = adjust(source[x], hue_, lightness_, saturation_);
      });
}

}  // namespace kestrum
