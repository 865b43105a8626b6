#pragma once

#include <cstdint>

#include "document/SessionCommand.h"

// Reads the image session's undo and redo counts into the document. The thread runs one inline
// after every command that refreshes the counts.
class CvCmdNumAvailableUndoRedo : public SessionCommand {
  Q_OBJECT

 public:
  explicit CvCmdNumAvailableUndoRedo(GmModel* model);

  // A count whose engine call fails is taken as 0.
  void execute() override;
  void finish() override;

 private:
  uint32_t undos_ = 0;
  uint32_t redos_ = 0;
};
