#pragma once

#include <memory>

#include <QColor>
#include <QObject>

#include "document/Brushing.h"

// A stroke in progress, made by a brush tool: it owns its Brushing and is listed among the
// document's live strokes, which the canvas paints, for as long as it lives. GUI thread.
class GmBrushing : public QObject {
  Q_OBJECT

 public:
  explicit GmBrushing(const QColor& colour, QObject* parent = nullptr);
  ~GmBrushing() override;

  Brushing& brushing() { return *brushing_; }
  const Brushing& brushing() const { return *brushing_; }

 private:
  std::unique_ptr<Brushing> brushing_;
};
