#pragma once

#include "kestrum/qt/GaussBlur.h"
#include "kestrum/qt/ProcessorThread.h"

namespace kestrum {

// Gaussian blur with parameter s (radius ceil(3 s)); each flag switches the blur of one channel
// on (1) or off (0: the input's byte is kept). <1,1,1,1> blurs alpha too, on the
// non-premultiplied bytes; <1,1,1,0> keeps the alpha of the input. See gaussBlur().
template <int Red, int Green, int Blue, int Alpha>
class ProcessorGauss : public ProcessorThread {
 public:
  ProcessorGauss(const QImage* input, QImage* output, float s, QObject* parent = nullptr)
      : ProcessorThread(input, output, parent), s_(s) {}
  ~ProcessorGauss() override { stopAndWait(); }

  static constexpr unsigned kChannels = (Red ? BlurRed : 0u) | (Green ? BlurGreen : 0u) |
                                        (Blue ? BlurBlue : 0u) | (Alpha ? BlurAlpha : 0u);

 protected:
  void process() override {
    const QImage in = argb32Input();
    if (in.isNull()) {
      *output() = QImage();
      return;
    }
    QImage& out = prepareOutput(in.size());
    gaussBlur(in, out, s_, kChannels, [this] { return isAborted(); });
  }

 private:
  const float s_;
};

}  // namespace kestrum
