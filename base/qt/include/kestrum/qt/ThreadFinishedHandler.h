#pragma once

#include <QObject>

namespace kestrum {

// Runs something in the owner's thread when an abortable thread ends: the thread connects its
// finished() to handle() and owns the handler. The base does nothing.
class ThreadFinishedHandler : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 public slots:
  virtual void handle();
};

}  // namespace kestrum
