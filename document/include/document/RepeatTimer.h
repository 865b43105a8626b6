#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// Drives a time-based animation: a repeating timer ticks, and each tick reports the fraction of
// a fixed period elapsed since the start, until the period is over. GUI thread.
class RepeatTimer : public QObject {
  Q_OBJECT

 public:
  explicit RepeatTimer(QObject* parent = nullptr);

  // Restarts the clock and ticks every `intervalMs` for `periodMs` (a period below 1 ms expires
  // at the first tick).
  void start(int periodMs, int intervalMs);
  QTimer* tickTimer() const { return tickTimer_; }
  int period() const { return period_; }

 signals:
  void proportionElapsed(qreal proportion);
  void expired();

 public slots:
  // elapsed / period; above 1.0 the timer stops and expires, otherwise the fraction is reported.
  void timeoutSlot();

 protected:
  // Milliseconds since start(); a monotonic clock.
  virtual qint64 elapsedMs() const { return clock_.elapsed(); }

 private:
  QTimer* tickTimer_;
  QElapsedTimer clock_;
  int period_ = 0;
  bool started_ = false;
};
