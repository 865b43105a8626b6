#pragma once

#include "document/DocumentUiHooks.h"

// The shell's answers to the document. Questions and warnings are message boxes and a colour
// choice is the colour dialog, through AppDialogs over the main window; the launch mode and the
// host images come from the application object. The busy state and the view tab are the main
// window's, tips go to its tip window, the brush size and strength are the brushes' and the mask
// opacity is the view options' (each answering like the document's default while that part
// does not exist). Images to install and projects to load go to the file handler; without one
// they are refused with a log line.
// GUI thread.
class AppDocumentHooks : public DocumentUiHooks {
 public:
  bool askYesNo(const QString& title, const QString& html) override;
  void warn(const QString& text) override;
  void showTip(const QString& html) override;
  void setBusy(bool busy) override;
  void ensureViewTab(int tabMask, int tab) override;
  QColor chooseColour(const QColor& initial, const QString& title) override;
  int brushSize() const override;
  void setBrushSize(int size) override;
  int brushStrength() const override;
  double maskOpacity() const override;
  bool keepsSettings() const override { return false; }
  int launchMode() const override;
  const TsSourceImage* hostImage(int slot) const override;
  bool installImage(TsSourceImage* image) override;
  bool loadProject(QFile& file) override;
};
