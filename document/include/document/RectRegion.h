#pragma once

#include <QRectF>
#include <QVariantMap>

#include "document/GmRegion.h"
#include "document/Rectangle.h"

// A rectangle patch; its corners snap to working pixels.
class RectRegion : public GmRegion {
  Q_OBJECT

 public:
  explicit RectRegion(const QRectF& rect);
  // From a stored entry: "GmRegion" first, then "rectangle_" (snapping unless it says not).
  explicit RectRegion(const QVariantMap& map);

  bool isConcretePatch() const override { return true; }
  ts::Rectangle& shape() override { return rectangle_; }
  const ts::Rectangle& shape() const override { return rectangle_; }
  QVariantMap toVariant() const override;

 private:
  ts::Rectangle rectangle_;
};
