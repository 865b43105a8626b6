#pragma once

#include <QPointer>

#include "document/GmRegion.h"
#include "workspace/BrushingTool.h"

// The brush that turns each finished stroke into an engine command painting one status (2
// Keep, 4 Delete, 8 Blend) over the stroked pixels, or, for a local brush, flooding the
// analysis regions it touches. A press outside the active patch takes the patch out of
// activity for the stroke; it comes back when the stroke is submitted, dropped, or the tool
// changes. GUI thread only.
class SelectTool : public BrushingTool {
  Q_OBJECT

 public:
  // The shared brush page becomes the tool's page.
  SelectTool(const QString& name, const QString& text, const QIcon& icon, const QString& shortcut,
             const QString& help, int status, bool local, QActionGroup* group = nullptr,
             QWidget* container = nullptr, QWidget* menuOrBar = nullptr,
             ToolOptions* options = nullptr);
  // Gives a patch taken out of activity back.
  ~SelectTool() override;

  // False without an image; a local brush also needs the analysis of the settings in force
  // (the active patch's own, else the image's).
  bool isUsable() const override;
  // 4 for the active target, else 3.
  int targetDisplayMode(ArrowTarget* target) const override;
  // Strokes take the outline's colour.
  QColor strokeColour() const override { return cursorColour(); }
  void deactivate(GmTool* next) override;
  Brushing* strokeStarting(const QPointF& point) override;
  // Submits a stroke that painted something as one "Brushing..." command over every class
  // (mask 15); drops an empty one. Either way the patch taken out of activity comes back.
  void strokeFinished() override;

  int selectStatus() const { return status_; }
  int selectLocal() const { return local_; }
  bool isLocal() const { return local_ != 0; }
  // Strokes overwrite every class: there are no protect boxes.
  bool mayOverwriteKeep() const { return true; }
  bool mayOverwriteDelete() const { return true; }
  bool mayOverwriteBlend() const { return true; }
  // The patch taken out of activity for the stroke in progress; null when none.
  GmRegion* savedActivePatch() const { return savedPatch_; }

 public slots:
  // Nothing: strokes read the overwrite mask when they finish.
  void protectKeepChangedSlot(int state);
  void protectDeleteChangedSlot(int state);
  void protectComplexChangedSlot(int state);

 protected:
  // The help page of every brush.
  static QString brushHelpPage();

 private:
  void restoreSavedPatch();

  int status_;
  int local_;
  QPointer<GmRegion> savedPatch_;
  // The last answer of a local brush while the engine could read it.
  mutable bool analysed_ = false;
};
