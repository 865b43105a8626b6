#pragma once

#include "document/CorvaneCommand.h"

// Cleans specks out of the given classes (2, 4, 8 or any of them together; 0: the last
// selection) with the despeckle strength in force when the command is made, as one undo step.
class CvCmdDespeckleSelection : public CorvaneCommand {
  Q_OBJECT

 public:
  CvCmdDespeckleSelection(GmModel* model, int classes);

  // Declines without a session or a status image.
  bool prepare() override;
  // Classes other than 0: each of 2, 4 and 8 that is set, in that order, is selected over the
  // whole session and despeckled.
  void execute() override;
  void finish() override;
  bool refreshesUndoCounts() const override { return true; }
  bool editsCutout() const override { return true; }

 private:
  int classes_;
  int strength_;
  CvSession* session_ = nullptr;
  CvImage* statusImage_ = nullptr;
  CvSelection wholeSession_{};
};

// The strength of the clean-up commands when there are no clean-up options to take it from:
// 3 until set, then the value given clamped to 1..20. GUI thread.
int despeckleStrength();
void setDespeckleStrength(int strength);
