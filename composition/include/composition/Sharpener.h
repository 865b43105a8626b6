#pragma once

#include <memory>

#include <QImage>
#include <QObject>

namespace kestrum {
class ProcessorSharpen;
}

// One sharpening of a copy of the cut-out on its own processor thread, started by the
// constructor; sharpenImageDone brings the result to the GUI thread. Deleting it aborts and
// joins the thread, and a result still on its way is dropped with it. GUI thread only.
class Sharpener : public QObject {
  Q_OBJECT

 public:
  // `amount` is the sharpen processor's blur parameter (the level, 1 .. 5).
  Sharpener(const QImage& image, QObject* parent, float amount);
  ~Sharpener() override;

  kestrum::ProcessorSharpen& thread() const { return *thread_; }
  // Joins the thread and gives its result at once; false when it was aborted or failed. Its
  // queued sharpenImageDone still follows unless this object is deleted first.
  bool finishNow(QImage* result);

 signals:
  void sharpenImageDone(const QImage& image);

 private slots:
  void threadDone();

 private:
  // Written before the thread starts, read after it has ended. The output starts null: the
  // processor allocates it, so a stop never waits for a copy of the input.
  QImage input_;
  QImage output_;
  std::unique_ptr<kestrum::ProcessorSharpen> thread_;
};
