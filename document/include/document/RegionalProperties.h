#pragma once

#include <QObject>
#include <QPointer>

#include "document/EDOs.h"

class GmModel;
class GmRegion;
class SegmentationStuff;

// The document side of the patch properties panel: which settings the panel edits, whether it
// is suppressed, and the operations its controls start. It tells the panel's widgets (the
// workspace's, in a sub-window) what to show through its signals, and takes their check boxes
// through its slots. The document owns one and connects it to its own signals. GUI thread.
class RegionalProperties : public QObject {
  Q_OBJECT

 public:
  explicit RegionalProperties(GmModel* model);

  // A suppressed panel is never wanted visible.
  bool isSuppressed() const { return suppressed_; }
  void setSuppressed(bool suppressed);
  // The settings the edge-detection part edits (a patch's, or the image's after its own-settings
  // box was used without a patch); null when none.
  SegmentationStuff* settings() const { return settings_; }
  // The patch the panel shows; null on the empty page.
  GmRegion* shownPatch() const { return shownPatch_; }
  // Whether the edges of the shown settings can be displayed: their current sensitivity s gives
  // (s − 1) × 0.99 × 0.01010101 below 1 in single precision (s up to 100). False without settings.
  bool edgesDisplayable() const;
  // The document deletes `patch`: the panel forgets it and shows the empty page when it showed it.
  void forgetPatch(GmRegion* patch);

 signals:
  // 0 the empty page, 1 the properties page.
  void pageChanged(int page);
  // The blending widgets show `patch`'s blending options.
  void blendingShown(GmRegion* patch);
  // The edge-detection widget edits `settings` and shows their values (none for null).
  void settingsShown(SegmentationStuff* settings);
  void ownSettingsChecked(bool checked);
  void protectionChecked(bool checked);
  // Whether the panel's sub-window is wanted visible.
  void visibilityWanted(bool visible);

 public slots:
  // The values shown depend on the resolution (widths in working pixels): shown again.
  void resolutionChangedSlot(int oldRes, int newRes);
  void updateVisibilitySlot();
  void activeRegionChangedSlot(GmRegion* region);
  void protectionChangedSlot(GmRegion* region);
  // The own-settings box of the panel changed to `checked`: the active patch's settings, or the
  // image's without one, use their own values or not; switched on, they are analysed at once.
  void regSmegCheckBoxStateChangedSlot(bool checked);
  // The protection box was clicked to `checked`: the active patch is protected or released.
  void protectionCheckBoxClickedSlot(bool checked);

 private:
  void showSettings(SegmentationStuff* settings);

  GmModel* model_;
  bool suppressed_ = false;
  QPointer<GmRegion> shownPatch_;
  QPointer<SegmentationStuff> settings_;
  QPointer<EDOs> values_;
};
