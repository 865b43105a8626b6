#pragma once

#include <QColor>
#include <QString>

class QFile;
class TsSourceImage;

// The one road from the document up to the windows above it: questions, warnings, tips, the busy
// state, the view tab, the colour chooser, the brush and mask settings the workspace owns, and the
// shell's launch mode, host images and project reader. The shell installs its implementation at
// start-up; until then the default answers without ever blocking (No, a log line, brush size 10).
// Every call is made in the GUI thread.
class DocumentUiHooks {
 public:
  virtual ~DocumentUiHooks() = default;

  // A Yes/No question; true for Yes.
  virtual bool askYesNo(const QString& title, const QString& html) = 0;
  virtual void warn(const QString& text) = 0;
  virtual void showTip(const QString& html) = 0;
  // Busy: the main window disabled and the wait cursor shown, until setBusy(false).
  virtual void setBusy(bool busy) = 0;
  // Switches to `tab` when the current view tab is not among `tabMask` (ImageView::ViewTab bits).
  virtual void ensureViewTab(int tabMask, int tab) = 0;
  // The chosen colour, or an invalid colour when the user cancelled.
  virtual QColor chooseColour(const QColor& initial, const QString& title) = 0;
  // Brush size in image pixels and strength 0..7, as the brush page shows them.
  virtual int brushSize() const = 0;
  virtual void setBrushSize(int size) = 0;
  virtual int brushStrength() const = 0;
  // Opacity of the status overlay, 0..1.
  virtual double maskOpacity() const = 0;
  // The shell's preference to keep the edge-detection settings across new images.
  virtual bool keepsSettings() const = 0;
  // How the program was started (1 to 4: hosted by a plug-in).
  virtual int launchMode() const = 0;
  // Borrowed: the image a host handed over (0 segmentation, 1 blend), or null.
  virtual const TsSourceImage* hostImage(int slot) const = 0;
  // Opens `image` as the document's photo; true when taken, and then owns it. A refused image
  // stays the caller's.
  virtual bool installImage(TsSourceImage* image) = 0;
  // Reads `file` (open, at its start) as a project into the document; true when restored.
  virtual bool loadProject(QFile& file) = 0;
};

// The hooks in force: the installed ones, or the non-blocking default.
DocumentUiHooks& documentUiHooks();
// Installs `hooks` (borrowed; null restores the default) and returns the previous ones.
DocumentUiHooks* setDocumentUiHooks(DocumentUiHooks* hooks);
