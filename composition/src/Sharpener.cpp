#include "composition/Sharpener.h"

#include "kestrum/qt/ProcessorSharpen.h"

Sharpener::Sharpener(const QImage& image, QObject* parent, float amount)
    : QObject(parent), input_(image) {
  thread_ = std::make_unique<kestrum::ProcessorSharpen>(&input_, &output_, amount);
  connect(thread_.get(), &QThread::finished, this, &Sharpener::threadDone);
  thread_->start(QThread::InheritPriority);
}

Sharpener::~Sharpener() {
  thread_.reset();  // aborts and joins before the images go
}

void Sharpener::threadDone() {
  // An aborted or failed run leaves nothing worth showing.
  if (thread_->isAborted()) return;
  emit sharpenImageDone(output_);
}

bool Sharpener::finishNow(QImage* result) {
  thread_->wait();
  if (thread_->isAborted()) return false;
  *result = output_;
  return true;
}
