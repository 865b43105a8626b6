#pragma once

#include <QBrush>
#include <QColor>
#include <QString>

class GmTool;
class ImageView;
class QDropEvent;
class QWidget;

// What the workspace asks of the main window: its one road upward. The shell installs its
// implementation at start-up; until then this base answers as a host without windows (no main
// window, no view, no colour dialog, drops logged and left alone, a white canvas background),
// so nothing ever blocks. A fake overrides only what it needs. GUI thread only.
class WorkspaceHost {
 public:
  virtual ~WorkspaceHost() = default;

  // Borrowed. The parent of the tool action group; raised when a drag enters the canvas.
  virtual QWidget* mainWindow() const { return nullptr; }
  // Borrowed. The central view; without one the current view tab counts as 2.
  virtual ImageView* imageView() const { return nullptr; }
  // The tool to return to after a temporary space-bar pan; null while no such pan runs. While
  // it is set, selecting a tool does not switch the view tab.
  virtual GmTool* panReturnTool() const { return nullptr; }
  // After a tool refused to be installed: false when no tool is current; true, keeping it,
  // when the current tool is usable; otherwise installs the pan-return tool when it is usable,
  // else the default tool, and answers what that installation answered.
  virtual bool selectFallbackTool();
  // The colour workspace's highlight: cleared on a tool change; drawn on the canvas while shown.
  virtual void clearColourHighlight() {}
  virtual bool colourHighlightShown() const { return false; }
  // What shows behind the photo (through its transparent pixels).
  virtual QBrush canvasBackgroundBrush() const { return QBrush(Qt::white); }
  // Every drop on a view: dropped links, images or text to open.
  virtual void receiveDrop(QDropEvent* event);
  // The platform colour dialog on `current`; an invalid colour when cancelled.
  virtual QColor askColour(const QColor& current);
  // The "PersistOptions" preference: panels restore and save their controls only when on.
  virtual bool persistOptions() const { return false; }
  // The "UseTabletPressure" option.
  virtual bool useTabletPressure() const { return false; }
  virtual QString productName() const;
  // The folder or address under which relative help pages are found.
  virtual QString helpRoot() const;
  // The two-letter language of the system locale.
  virtual QString activeLanguage() const;

  // Installs `host` (borrowed; null restores the default) and returns the previous one.
  static WorkspaceHost* install(WorkspaceHost* host);
};

// The host in force: the installed one, or the default.
WorkspaceHost& workspaceHost();
