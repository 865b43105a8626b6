#pragma once

#include <memory>

#include <QPointer>

#include "document/CorvaneCommand.h"

class GmRegion;
class PixelState;
class SegmentationStuff;
class Shape;

// Ends an engine session and, when it differs, its sub-session. Three forms: given handles
// (with up to two objects to delete once they have ended), given a patch's settings and shape
// (the shape's snapshot is detached at once and kept until the end), or given a patch, which
// is deleted once its sessions have ended. What the command is to delete it deletes even when
// it is discarded.
class CvCmdEndSession : public CorvaneCommand {
  Q_OBJECT

 public:
  // Takes ownership of `first` and `second` (either may be null).
  CvCmdEndSession(GmModel* model, CvSession* session, CvSession* subSession,
                  QObject* first = nullptr, QObject* second = nullptr);
  CvCmdEndSession(GmModel* model, SegmentationStuff* settings, Shape* shape);
  // Takes ownership of `patch`, which is already out of the document's lists.
  CvCmdEndSession(GmModel* model, GmRegion* patch);
  ~CvCmdEndSession() override;

  QString handleText() const override;
  // Takes the handles out of the tracked settings; declines when there are none.
  bool prepare() override;
  // Ends the sub-session first, then the session; stops at the first failure.
  void execute() override;
  void finish() override;
  bool isCancellable() const override { return false; }

 private:
  bool handlesGiven_ = false;
  CvSession* session_ = nullptr;
  CvSession* subSession_ = nullptr;
  QPointer<SegmentationStuff> settings_;
  std::unique_ptr<PixelState> snapshot_;
  QPointer<QObject> first_;
  QPointer<QObject> second_;
  QPointer<GmRegion> patch_;
  // The handles form ends the image's session: the undo history goes with it.
  bool deletesImages_ = false;
};
