#pragma once

#include <QImage>
#include <QPointer>

#include "document/CorvaneCommand.h"

class GmRegion;
class SegmentationStuff;

// Edge detection: runs the engine's analysis with the settings' applied edge-detection
// values, in the settings' sub-session, or in a new analysis sub-session over the patch.
class CvCmdAnalyseImage : public CorvaneCommand {
  Q_OBJECT

 public:
  // Takes the applied values of `settings` now. `patch` is null for the whole image.
  CvCmdAnalyseImage(GmModel* model, GmRegion* patch, SegmentationStuff* settings);

  QString handleText() const override { return handleString(subSession_); }
  // Declines without the settings, or without a sub-session and the means to open one.
  bool prepare() override;
  void execute() override;
  void finish() override;
  bool counted() const override { return false; }

 signals:
  void commandChanged();

 private:
  QPointer<GmRegion> patch_;
  QPointer<SegmentationStuff> settings_;
  float tolerance_;
  int width_;
  int texture_;
  int contrast_;
  QImage mask_;
  CvSession* session_ = nullptr;
  CvSelection selection_{};
  CvSession* subSession_ = nullptr;
  CvSession* created_ = nullptr;
};
