#include "document/BrushRegion.h"

#include "document/DocumentKeys.h"

BrushRegion::BrushRegion(std::unique_ptr<Brushing> stroke) : stroke_(std::move(stroke)) {
  if (!stroke_) stroke_ = std::make_unique<Brushing>(QColor());
}

BrushRegion::BrushRegion(const QVariantMap& map)
    : GmRegion(map.value(documentKeys::gmRegion).toMap()),
      stroke_(std::make_unique<Brushing>(map.value(documentKeys::brushing).toMap())) {}

QVariantMap BrushRegion::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::type, 2);
  map.insert(documentKeys::gmRegion, baseVariant());
  map.insert(documentKeys::brushing, stroke_->toVariant());
  return map;
}
