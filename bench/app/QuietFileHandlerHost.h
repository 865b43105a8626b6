#pragma once

#include "app/FileHandlerHost.h"

// The file handler's window services for a benchmark: no window, every question answered yes,
// nothing shown.
class QuietFileHandlerHost : public FileHandlerHost {
 public:
  bool askUnsavedChanges(const QString&) override { return true; }
  void showStatusMessage(const QString&, int) override {}
  void raiseAndActivate() override {}
  QWidget* dialogParent() override { return nullptr; }
  void ensureViewTab(int, int) override {}
};
