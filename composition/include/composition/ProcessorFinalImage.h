#pragma once

#include <QByteArray>
#include <QImage>

#include "composition/LayerSet.h"
#include "kestrum/qt/AbortableThread.h"

// True when the image shows any transparency: a border pixel with alpha below 254 or an inner
// pixel with alpha below 255. False for a null image.
bool hasTransparency(const QImage& image);

// Turns a layer set into the finished picture on its own thread: composes the layers on a
// canvas, sharpens the cut-out, applies the highlight, blurs the background, then for JPEG and
// PDF output makes every pixel opaque and encodes a JPEG within the byte budget (the picture
// delivered is that JPEG decoded), and for PNG output keeps the transparency and encodes a PNG.
// Announces each run that gets under way with processingStarted and delivers finalImageDone once
// per run unless aborted, both with the run's number; a canvas with a side below 1 or of more
// than 100 megapixels aborts before either.
//
// Owner's thread: startRun() hands a run its inputs; the results are read after joining it.
class ProcessorFinalImage : public kestrum::AbortableThread {
  Q_OBJECT

 public:
  explicit ProcessorFinalImage(QObject* parent = nullptr);
  ~ProcessorFinalImage() override;

  // Waits for the run before (abort() first to cut it short), takes a copy of `layers` (images
  // shared, never written), clears the abort flag and starts run number `run` (not 0) with the
  // owner's priority.
  void startRun(const LayerSet& layers, quint64 run);
  // The layers of the last run started.
  const LayerSet& layers() const { return layers_; }

  // What the last run delivered (after the join): the picture, its bytes, and the number of
  // the run that made them; 0 when the last run delivered nothing.
  const QImage& resultImage() const { return resultImage_; }
  const QByteArray& resultBytes() const { return resultBytes_; }
  quint64 resultRun() const { return resultRun_; }

 signals:
  void processingStarted(quint64 runNumber);
  void finalImageDone(QImage image, QByteArray bytes, quint64 runNumber);

 protected:
  void process() override;

 private:
  QImage workingCutout();
  QImage workingBackground();
  void compose(QImage& canvas, const QImage& cutout, const QImage& background);
  void makeOpaque(QImage& canvas);

  // A run starts through startRun() only, with its inputs.
  using AbortableThread::start;

  LayerSet layers_;
  quint64 runNumber_ = 0;
  QImage resultImage_;
  QByteArray resultBytes_;
  quint64 resultRun_ = 0;
};
