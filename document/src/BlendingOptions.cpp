#include "document/BlendingOptions.h"

#include <cmath>

#include <QCoreApplication>

#include "document/DocumentKeys.h"

namespace {

std::unique_ptr<GmColor> defaultOverride(const char* name, Qt::GlobalColor colour) {
  return std::make_unique<GmColor>(QString::fromLatin1(name),
                                   QCoreApplication::translate("BlendingOptions", name), 0,
                                   QColor(colour));
}

std::unique_ptr<GmColor> foregroundOverride() {
  return defaultOverride(QT_TRANSLATE_NOOP("BlendingOptions", "Foreground Override"), Qt::white);
}

std::unique_ptr<GmColor> backgroundOverride() {
  return defaultOverride(QT_TRANSLATE_NOOP("BlendingOptions", "Background Override"), Qt::black);
}

// An override read from the map, or the default one when the key is missing or holds no
// usable colour.
std::unique_ptr<GmColor> readOverride(const QVariant& stored,
                                      std::unique_ptr<GmColor> (*fallback)()) {
  if (stored.type() == QVariant::Map) {
    auto colour = std::make_unique<GmColor>(stored.toMap());
    if (colour->color().isValid()) return colour;
  }
  return fallback();
}

std::unique_ptr<GmColor> copyOf(const GmColor& colour) {
  return std::make_unique<GmColor>(colour.toVariant());
}

// A number read from the map; `fallback` when it is not a finite number.
float readFloat(const QVariant& stored, float fallback) {
  bool ok = false;
  const double value = stored.toDouble(&ok);
  return ok && std::isfinite(value) && std::fabs(value) <= 3.4e38 ? float(value) : fallback;
}

}  // namespace

BlendingOptions::BlendingOptions()
    : fgOverride_(foregroundOverride()), bgOverride_(backgroundOverride()) {}

BlendingOptions::BlendingOptions(const QVariantMap& map) {
  using namespace documentKeys;
  autoBlueWidthF_ = readFloat(map.value(autoBlueWidthF), 0.0f);
  blendRatioF_ = readFloat(map.value(blendRatioF), 0.0f);
  isPatchBlendRatioTrackingImage_ = map.value(isPatchBlendRatioTrackingImage).toBool();
  feather_ = map.value(feather).toInt();
  if (map.contains(isChoices)) isChoices_ = map.value(isChoices).toBool();
  if (map.contains(choices1F)) choices1F_ = readFloat(map.value(choices1F), choices1F_);
  if (map.contains(choices2F)) choices2F_ = readFloat(map.value(choices2F), choices2F_);
  if (map.contains(isMembrane)) isMembrane_ = map.value(isMembrane).toBool();
  if (map.contains(membrane1F)) membrane1F_ = readFloat(map.value(membrane1F), membrane1F_);
  if (map.contains(isUniformBg)) isUniformBg_ = map.value(isUniformBg).toBool();
  fgChecked_ = map.value(fgChecked).toBool();
  fgOverride_ = readOverride(map.value(fgOverride), foregroundOverride);
  bgChecked_ = map.value(bgChecked).toBool();
  bgOverride_ = readOverride(map.value(bgOverride), backgroundOverride);
}

BlendingOptions::BlendingOptions(const BlendingOptions& other) {
  *this = other;
}

BlendingOptions& BlendingOptions::operator=(const BlendingOptions& other) {
  if (this == &other) return *this;
  autoBlueWidthF_ = other.autoBlueWidthF_;
  blendRatioF_ = other.blendRatioF_;
  isPatchBlendRatioTrackingImage_ = other.isPatchBlendRatioTrackingImage_;
  feather_ = other.feather_;
  isChoices_ = other.isChoices_;
  choices1F_ = other.choices1F_;
  choices2F_ = other.choices2F_;
  isMembrane_ = other.isMembrane_;
  membrane1F_ = other.membrane1F_;
  isUniformBg_ = other.isUniformBg_;
  fgChecked_ = other.fgChecked_;
  fgOverride_ = copyOf(*other.fgOverride_);
  bgChecked_ = other.bgChecked_;
  bgOverride_ = copyOf(*other.bgOverride_);
  return *this;
}

BlendingOptions::~BlendingOptions() = default;

QVariantMap BlendingOptions::toVariant() const {
  using namespace documentKeys;
  QVariantMap map;
  map.insert(autoBlueWidthF, autoBlueWidthF_);
  map.insert(blendRatioF, blendRatioF_);
  map.insert(isPatchBlendRatioTrackingImage, isPatchBlendRatioTrackingImage_);
  map.insert(feather, feather_);
  map.insert(isChoices, isChoices_);
  map.insert(choices1F, choices1F_);
  map.insert(choices2F, choices2F_);
  map.insert(isMembrane, isMembrane_);
  map.insert(membrane1F, membrane1F_);
  map.insert(isUniformBg, isUniformBg_);
  map.insert(fgChecked, fgChecked_);
  map.insert(fgOverride, fgOverride_->toVariant());
  map.insert(bgChecked, bgChecked_);
  map.insert(bgOverride, bgOverride_->toVariant());
  return map;
}
