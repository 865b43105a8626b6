#pragma once

#include "kestrum/qt/ProcessorThread.h"

namespace kestrum {

// Unsharp mask of strength 1 on every byte of the non-premultiplied pixels, alpha included:
// out = clamp(2 in - blurred, 0, 255), the blur being ProcessorGauss<1,1,1,1> with parameter s
// run as a child thread. A uniform image comes back unchanged.
class ProcessorSharpen : public ProcessorThread {
  Q_OBJECT

 public:
  ProcessorSharpen(const QImage* input, QImage* output, float s, QObject* parent = nullptr);
  ~ProcessorSharpen() override;

 protected:
  void process() override;

 private:
  const float s_;
};

}  // namespace kestrum
