#include "document/RegionalProperties.h"

#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/SegmentationStuff.h"

RegionalProperties::RegionalProperties(GmModel* model) : QObject(model), model_(model) {
  connect(model, &GmModel::activeRegionChanged, this, &RegionalProperties::activeRegionChangedSlot);
  connect(model, &GmModel::activeRegionChanged, this, &RegionalProperties::updateVisibilitySlot);
  connect(model, &GmModel::protectionChanged, this, &RegionalProperties::protectionChangedSlot);
  connect(model, &GmModel::resolutionChanged, this, &RegionalProperties::resolutionChangedSlot);
}

void RegionalProperties::setSuppressed(bool suppressed) {
  suppressed_ = suppressed;
  updateVisibilitySlot();
}

bool RegionalProperties::edgesDisplayable() const {
  if (!settings_ || !values_) return false;
  // Single precision, as the panel computes it: 101 gives exactly 1.
  const float s = float(values_->sensitivity.current);
  const float tolerance = (s - 1.0f) * 0.99f * 0.01010101f;
  return tolerance < 1.0f;
}

void RegionalProperties::forgetPatch(GmRegion* patch) {
  if (!patch || patch != shownPatch_) return;
  shownPatch_ = nullptr;
  showSettings(nullptr);
  emit pageChanged(0);
}

void RegionalProperties::showSettings(SegmentationStuff* settings) {
  settings_ = settings;
  values_ = settings ? &settings->values() : nullptr;
  emit settingsShown(settings);
}

void RegionalProperties::resolutionChangedSlot(int oldRes, int newRes) {
  Q_UNUSED(oldRes);
  Q_UNUSED(newRes);
  if (settings_) emit settingsShown(settings_);
}

void RegionalProperties::updateVisibilitySlot() {
  emit visibilityWanted(!suppressed_ && model_->activeRegion() != nullptr);
}

void RegionalProperties::activeRegionChangedSlot(GmRegion* region) {
  shownPatch_ = region;
  if (!region) {
    emit pageChanged(0);
    return;
  }
  emit pageChanged(1);
  emit blendingShown(region);
  showSettings(region->segmentation());
  emit ownSettingsChecked(region->segmentation()->ownSettings());
  emit protectionChecked(region->isProtected());
}

void RegionalProperties::protectionChangedSlot(GmRegion* region) {
  if (region && region == shownPatch_) emit protectionChecked(region->isProtected());
}

void RegionalProperties::regSmegCheckBoxStateChangedSlot(bool checked) {
  GmRegion* patch = model_->activeRegion();
  SegmentationStuff* settings = patch ? patch->segmentation() : model_->segmentation();
  settings->setOwnSettings(checked);
  emit model_->smegChanged();
  showSettings(settings);
  emit ownSettingsChecked(settings->ownSettings());
  emit model_->ownSmegStatusChanged(settings->owner());
  if (settings->ownSettings()) settings->findEdges();
  model_->signalDirtyImageSlot(PatchPreviewWanted::No);
}

void RegionalProperties::protectionCheckBoxClickedSlot(bool checked) {
  if (GmRegion* patch = model_->activeRegion()) patch->setProtected(checked);
}
