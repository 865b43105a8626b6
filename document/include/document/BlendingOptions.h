#pragma once

#include <memory>

#include <QVariantMap>

#include "document/GmColor.h"

// How the cut-out's edges are blended, for the whole image or one patch. A copy holds copies of
// the two override colours. GUI thread.
class BlendingOptions {
 public:
  BlendingOptions();
  // From the stored map: the always-read keys become 0 or false when missing (or not a finite
  // number), the others keep their defaults; a missing override is the default override.
  explicit BlendingOptions(const QVariantMap& map);
  BlendingOptions(const BlendingOptions& other);
  BlendingOptions& operator=(const BlendingOptions& other);
  ~BlendingOptions();

  QVariantMap toVariant() const;

  float autoBlueWidthF_ = 0.75f;  // width of the automatic blend band (0, 0.15, 0.75 or 1.5)
  float blendRatioF_ = 0.2f;      // share of Feather blending, 0..1 (1 all Feather, 0 all Smart)
  bool isPatchBlendRatioTrackingImage_ = false;
  int feather_ = 5;
  bool isChoices_ = false;
  float choices1F_ = 0.5f;
  float choices2F_ = 0.5f;
  bool isMembrane_ = false;
  float membrane1F_ = 0.5f;
  bool isUniformBg_ = false;
  bool fgChecked_ = false;
  std::unique_ptr<GmColor> fgOverride_;  // "Foreground Override", white; never persisted
  bool bgChecked_ = false;
  std::unique_ptr<GmColor> bgOverride_;  // "Background Override", black; never persisted
};
