#include "composition/Highlighter.h"

#include "kestrum/qt/ProcessorHLSAdjust.h"

Highlighter::Highlighter(const QImage& source, QObject* parent) : QObject(parent), input_(source) {
  thread_ = std::make_unique<kestrum::ProcessorHLSAdjust>(&input_, &output_, kHue, kLightness,
                                                          kSaturation);
  connect(thread_.get(), &QThread::finished, this, &Highlighter::threadDone);
  thread_->start(QThread::InheritPriority);
}

Highlighter::~Highlighter() {
  thread_.reset();  // aborts and joins before the images go
}

void Highlighter::threadDone() {
  if (thread_->isAborted()) return;  // failed: nothing worth showing
  emit highlitImageDone(output_);
}

bool Highlighter::finishNow(QImage* result) {
  thread_->wait();
  if (thread_->isAborted()) return false;
  *result = output_;
  return true;
}
