#pragma once

#include <QVariantMap>

#include "document/BlendingOptions.h"

class GmRegion;

// The blending settings of the image (owner null) or of one patch. GUI thread.
class BlendingStuff {
 public:
  explicit BlendingStuff(GmRegion* owner) : owner_(owner) {}
  // From the stored map: the options from "bos_".
  BlendingStuff(const QVariantMap& map, GmRegion* owner);
  virtual ~BlendingStuff() = default;

  QVariantMap toVariant() const;

  GmRegion* owner() const { return owner_; }
  BlendingOptions& options() { return options_; }
  const BlendingOptions& options() const { return options_; }

 private:
  GmRegion* owner_;
  BlendingOptions options_;
};
