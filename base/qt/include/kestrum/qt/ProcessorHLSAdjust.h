#pragma once

#include "kestrum/qt/ProcessorThread.h"

namespace kestrum {

// Shifts every pixel in hue, lightness and saturation (each 0 .. 255 after the shift, clamped,
// hue not wrapped) through convertColourSpace() with scale 255, and makes it opaque.
class ProcessorHLSAdjust : public ProcessorThread {
  Q_OBJECT

 public:
  ProcessorHLSAdjust(const QImage* input, QImage* output, qint16 hue, qint16 lightness,
                     qint16 saturation, QObject* parent = nullptr);
  ~ProcessorHLSAdjust() override;

  // One pixel's result (0xAARRGGBB in, opaque 0xFFRRGGBB out), as the processor computes it.
  static QRgb adjust(QRgb pixel, qint16 hue, qint16 lightness, qint16 saturation);

 protected:
  void process() override;

 private:
  const qint16 hue_;
  const qint16 lightness_;
  const qint16 saturation_;
};

}  // namespace kestrum
