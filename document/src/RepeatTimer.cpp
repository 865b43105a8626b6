#include "document/RepeatTimer.h"

#include <QTimer>

RepeatTimer::RepeatTimer(QObject* parent) : QObject(parent), tickTimer_(new QTimer(this)) {
  connect(tickTimer_, &QTimer::timeout, this, &RepeatTimer::timeoutSlot);
}

void RepeatTimer::start(int periodMs, int intervalMs) {
  period_ = periodMs;
  started_ = true;
  clock_.start();
  tickTimer_->start(intervalMs);
}

void RepeatTimer::timeoutSlot() {
  if (!started_) return;
  // A period below 1 ms has no fraction to report: it is over at once.
  const double proportion = period_ > 0 ? double(elapsedMs()) / double(period_) : 2.0;
  if (proportion > 1.0) {
    tickTimer_->stop();
    started_ = false;
    emit expired();
  } else {
    emit proportionElapsed(proportion);
  }
}
