#pragma once

#include <memory>

#include <QImage>
#include <QObject>

namespace kestrum {
class ProcessorHLSAdjust;
}

// One fully highlit copy of the cut-out (lightness +48, saturation +96, opaque) made on its own
// processor thread, started by the constructor; highlitImageDone brings it to the GUI thread.
// Deleting it aborts and joins the thread, and a result still on its way is dropped with it.
// GUI thread only.
class Highlighter : public QObject {
  Q_OBJECT

 public:
  static constexpr qint16 kHue = 0;
  static constexpr qint16 kLightness = 48;
  static constexpr qint16 kSaturation = 96;

  Highlighter(const QImage& source, QObject* parent);
  ~Highlighter() override;

  kestrum::ProcessorHLSAdjust& thread() const { return *thread_; }
  // Joins the thread and gives its result at once; false when it was aborted or failed. Its
  // queued highlitImageDone still follows unless this object is deleted first.
  bool finishNow(QImage* result);

 signals:
  void highlitImageDone(const QImage& image);

 private slots:
  void threadDone();

 private:
  // Written before the thread starts, read after it has ended. The output starts null: the
  // processor allocates it, so a stop never waits for a copy of the input.
  QImage input_;
  QImage output_;
  std::unique_ptr<kestrum::ProcessorHLSAdjust> thread_;
};
