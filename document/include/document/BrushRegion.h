#pragma once

#include <memory>

#include <QVariantMap>

#include "document/Brushing.h"
#include "document/GmRegion.h"

// A brushed patch: a finished stroke. A session change deletes brushed patches.
class BrushRegion : public GmRegion {
  Q_OBJECT

 public:
  // Takes ownership of the stroke (never null).
  explicit BrushRegion(std::unique_ptr<Brushing> stroke);
  // From a stored entry: "GmRegion" first, then "brushing_".
  explicit BrushRegion(const QVariantMap& map);

  bool isConcretePatch() const override { return true; }
  bool isBrushRegion() const override { return true; }
  Brushing& shape() override { return *stroke_; }
  const Brushing& shape() const override { return *stroke_; }
  QVariantMap toVariant() const override;

 private:
  std::unique_ptr<Brushing> stroke_;
};
