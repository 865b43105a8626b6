#pragma once

#include <QBrush>
#include <QColor>
#include <QString>

class GmTool;
class ImageView;
class QDropEvent;
class QWidget;

// What the workspace asks of the main window: its one road upward. The shell installs its
// implementation at start-up (setWorkspaceHost); until then a default answers as a host without
// windows (no main window, no view, no pan in progress, the fallback tool chosen without one,
// no colour dialog, drops logged and left alone, a white canvas background), so nothing ever
// blocks. Tests install a recording fake. GUI thread only.
class WorkspaceHost {
 public:
  virtual ~WorkspaceHost() = default;

  // Borrowed. The parent of the tool action group; raised when a drag enters the canvas.
  virtual QWidget* mainWindow() const = 0;
  // Borrowed. The central view; without one the current view tab counts as 2.
  virtual ImageView* imageView() const = 0;
  // The tool to return to after a temporary space-bar pan; null while no such pan runs. While
  // it is set, selecting a tool does not switch the view tab.
  virtual GmTool* panReturnTool() const = 0;
  // After a tool refused to be installed: the window's choice of the tool to fall back on, as
  // GmTool::selectFallbackTool makes it with the window's pan-return tool.
  virtual bool selectFallbackTool() = 0;
  // The colour workspace's highlight: cleared on a tool change; drawn on the canvas while shown.
  virtual void clearColourHighlight() = 0;
  virtual bool colourHighlightShown() const = 0;
  // What shows behind the photo (through its transparent pixels).
  virtual QBrush canvasBackgroundBrush() const = 0;
  // Every drop on a view: dropped links, images or text to open.
  virtual void receiveDrop(QDropEvent* event) = 0;
  // The platform colour dialog on `current`; an invalid colour when cancelled.
  virtual QColor askColour(const QColor& current) = 0;
  // The "PersistOptions" preference: panels restore and save their controls only when on.
  virtual bool persistOptions() const = 0;
  // The "UseTabletPressure" option.
  virtual bool useTabletPressure() const = 0;
  virtual QString productName() const = 0;
  // The folder or address under which relative help pages are found.
  virtual QString helpRoot() const = 0;
  // The two-letter language of the system locale.
  virtual QString activeLanguage() const = 0;
};

// The host in force: the installed one, or the non-blocking default.
WorkspaceHost& workspaceHost();
// Installs `host` (borrowed; null restores the default) and returns the previous one.
WorkspaceHost* setWorkspaceHost(WorkspaceHost* host);
