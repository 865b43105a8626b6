#pragma once

#include <memory>

#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QPoint>

#include "composition/ShadowMasks.h"
#include "composition/WorkerThread.h"

// The inputs of one shadow computation, taken when the worker starts.
struct ShadowJob {
  QImage source;
  int type = 0;  // 1 standing, 2 flat
  double direction = 0.0;
  double length = 0.0;
  ShadowKernel kernel;
};

// What a computation hands back: the mask of its type with the mask's position relative to the
// source's top-left.
struct ShadowMask {
  int type = 0;
  QImage mask;
  QPoint offset;
};
Q_DECLARE_METATYPE(ShadowMask)

// The drop shadow of the composed cut-out: turns the cut-out's alpha into a grey mask on a
// worker thread (flat: the silhouette blurred and shifted a little; standing: the silhouette
// projected from its foot onto the ground), then colours it black at the chosen intensity and
// hands it on as shadowReady with its position relative to the source's top-left. Both masks
// are kept, so an intensity change only recolours, and a flat shadow's direction or length
// change only moves it. Every start of the worker works on a snapshot of the inputs; results of
// a start that has been replaced are dropped, and at most one computation runs.
//
// GUI thread only (the worker touches nothing of the object but its signal); built without a
// parent by the tool that owns it. Destruction aborts and joins the worker.
class Shadow : public QObject {
  Q_OBJECT
  Q_PROPERTY(int shadowType READ shadowType WRITE setShadowType)

 public:
  using Job = ShadowJob;
  using Result = ShadowMask;
  enum Type { None = 0, Standing = 1, Flat = 2 };

  static constexpr double kDefaultDirection = 4.0;
  static constexpr double kDefaultLength = 0.4;
  static constexpr double kDefaultIntensity = 0.5;
  static constexpr int kDefaultFuzziness = 3;

  Shadow();
  ~Shadow() override;

  double direction() const { return direction_; }  // radians, 0 .. 2 pi; 0 down, pi/2 left
  double length() const { return length_; }        // 0 .. 1 of the cut-out's size
  double intensity() const { return intensity_; }  // 0 .. 1
  int fuzziness() const { return kernel_.radius; }
  const ShadowKernel& kernel() const { return kernel_; }
  int shadowType() const { return type_; }
  bool needsCompute() const { return needsCompute_; }
  const QImage& source() const { return source_; }
  const QImage& flatMask() const { return flatMask_; }
  QPoint flatOffset() const { return flatOffset_; }
  const QImage& standingMask() const { return standingMask_; }
  QPoint standingOffset() const { return standingOffset_; }
  // The worker, for its test hook (abortAtPoll) and for waiting on it.
  WorkerThread<Shadow>& worker() const { return *worker_; }
  // Joins a running computation and takes its mask at once, as its queued delivery would
  // (shadowReady included); false when there was none to take.
  bool finishRun();

  // The shadow's alpha where its mask is white: nearest(200 intensity) + 40, 40 .. 240.
  static int shadowAlpha(double intensity);
  // Black at `alpha` scaled by the grey of `mask` (opaque, Format_RGB32 or Format_ARGB32) / 255:
  // what filling an image with that black and setting its alpha channel from the mask gives, in
  // Format_ARGB32_Premultiplied. Null without memory.
  static QImage colourShadow(const QImage& mask, int alpha);

 signals:
  // The coloured shadow and its position relative to the source's top-left; a null image at
  // (0, 0) when there is no shadow.
  void shadowReady(const QImage& shadow, const QPoint& offset);
  // From the worker: the mask computed by run `run`.
  void maskComputed(const ShadowMask& mask, quint64 run);

 public slots:
  void setImage(const QImage& image);
  // Stops the worker; back to the default direction, length, intensity, type (none) and
  // fuzziness, both masks empty. The source stays.
  void reset();
  void setDirection(double radians);
  void setLength(double length);
  void setIntensity(double intensity);
  void setFuzziness(int radius);
  void cancel();
  void setShadowType(int type);
  void emitShadow();

 private slots:
  void takeMask(const ShadowMask& mask, quint64 run);

 private:
  friend class WorkerThread<Shadow>;

  // On the worker: the mask of the job's type, then maskComputed unless stopped.
  void compute(const Job& job, WorkerThread<Shadow>& thread, quint64 run);
  // Aborts and joins the running computation; its results, queued or not, are dropped.
  void stop();
  // Stops, then computes afresh for the current inputs (or emits at once when there is
  // nothing to compute).
  void restart();
  void updateFlatOffset();
  // Direction or length: `field` takes `value` (already clamped) if it differs.
  void changeReach(double& field, double value);

  double direction_ = kDefaultDirection;
  double length_ = kDefaultLength;
  double intensity_ = kDefaultIntensity;
  ShadowKernel kernel_;
  bool needsCompute_ = true;
  int type_ = None;
  QPoint flatOffset_;
  QImage flatMask_;
  QImage source_;
  QImage standingMask_;
  QPoint standingOffset_;
  // Number of the latest start, raised again once its result is taken; results of other runs
  // are stale.
  quint64 run_ = 0;
  std::unique_ptr<WorkerThread<Shadow>> worker_;
};
