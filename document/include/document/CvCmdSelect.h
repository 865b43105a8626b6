#pragma once

#include <memory>

#include <QImage>
#include <QPointer>

#include "document/CorvaneCommand.h"

class Brushing;
class ForcedEdge;
class GmBrushing;
class GmRegion;
class SegmentationStuff;

// Paints a status (the mode) over the selected pixels whose class is among the target
// classes: the command behind every brush stroke, the whole-image and patch selections, and
// the forced edges. The stroke and the cleaning that completes it are one undo step; once its
// first change is in, a cancel no longer stops it half way.
class CvCmdSelect : public CorvaneCommand {
  Q_OBJECT

 public:
  // Selection form: the patch's snapshot (the whole image without a patch). Status classes
  // and modes are the engine's bits (1 unassigned, 2 keep, 4 delete, 8 blend, 16 forced edge,
  // 32 protected).
  CvCmdSelect(GmModel* model, GmRegion* patch, int targetClasses, int mode);
  // Brushing form: takes ownership of `stroke`. Works in the active patch's settings, or the
  // image's; `local` paints whole analysis regions; `extra` skips the cleaning that follows a
  // stroke of keep over delete (or delete over keep). The weight is the brush strength now.
  CvCmdSelect(GmModel* model, Brushing* stroke, int targetClasses, int mode, bool local,
              bool extra);
  // Brushing form over a live stroke: takes ownership of `stroke`, which the canvas goes on
  // showing until the command is deleted (after its finish, or when it is discarded).
  CvCmdSelect(GmModel* model, GmBrushing* stroke, int targetClasses, int mode, bool local,
              bool extra);
  // Forced-edge form: the edge's line, one working pixel wide, as status 16.
  CvCmdSelect(GmModel* model, ForcedEdge* edge);
  ~CvCmdSelect() override;

  QString handleText() const override { return handleString(target_); }
  bool prepare() override;
  void execute() override;
  void finish() override;
  // The step of a session's own set-up is cleared from the history straight after; counted
  // meanwhile, it would make an untouched photo look changed.
  bool refreshesUndoCounts() const override { return userChange_; }
  bool editsCutout() const override { return userChange_; }
  // A selection that only sets up a new session's statuses is no change of the user's.
  void setUserChange(bool change) { userChange_ = change; }

 private:
  enum class Form { Selection, Brushing, ForcedEdge };
  bool prepareStroke(GmModel* model);

  Form form_;
  int targetClasses_;
  int mode_;
  bool local_ = false;
  bool extra_ = false;
  float weight_ = 0;
  float autoComplexWidth_ = -1.0f;
  // The stroke selected: stroke_, or the live stroke's.
  Brushing* brushing() const;

  std::unique_ptr<Brushing> stroke_;
  std::unique_ptr<GmBrushing> liveStroke_;
  QPointer<GmRegion> patch_;
  bool withPatch_ = false;
  QPointer<ForcedEdge> edge_;
  QPointer<SegmentationStuff> settings_;
  // The selection's mask, at its place in the working image; null for the whole image.
  QImage mask_;

  // Captured by prepare for execute.
  CvSession* target_ = nullptr;
  CvSession* session_ = nullptr;
  CvImage* statusImage_ = nullptr;
  CvSelection selection_{};
  bool inPatch_ = false;
  bool cleansUp_ = false;
  bool opensUndoStep_ = false;
  bool userChange_ = true;
};
