#pragma once

#include <QString>

class QWidget;

// What the file handler needs of the main window: the unsaved-changes question, the status bar,
// raising the window, a parent for its dialogs and the view tab. The main window implements it;
// tests give a recording fake. GUI thread.
class FileHandlerHost {
 public:
  virtual ~FileHandlerHost() = default;

  // The unsaved-changes question under `title`; false ends the caller's operation with no
  // effect.
  virtual bool askUnsavedChanges(const QString& title) = 0;
  virtual void showStatusMessage(const QString& text, int timeoutMs) = 0;
  // Shows the window normally when it is minimised, and activates it.
  virtual void raiseAndActivate() = 0;
  // Borrowed; may be null.
  virtual QWidget* dialogParent() = 0;
  // Switches to view tab `tab` unless the current one is among `tabMask` (ImageView::ViewTab).
  virtual void ensureViewTab(int tabMask, int tab) = 0;
};
