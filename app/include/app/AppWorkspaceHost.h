#pragma once

#include "workspace/WorkspaceHost.h"

class TsMainWindow;

// The main window's services to the workspace. The window installs it for its own life (the
// previous host comes back after). The options and tablet pressure are the persistent options'
// (off without them); the colour dialog is the document hooks' colour choice; there is no colour
// workspace, so no highlight; drops are logged and left alone until images are received by drop.
// GUI thread only.
class AppWorkspaceHost : public WorkspaceHost {
 public:
  // `window` is borrowed and outlives the host.
  explicit AppWorkspaceHost(TsMainWindow* window);
  ~AppWorkspaceHost() override;
  AppWorkspaceHost(const AppWorkspaceHost&) = delete;
  AppWorkspaceHost& operator=(const AppWorkspaceHost&) = delete;

  QWidget* mainWindow() const override;
  ImageView* imageView() const override;
  GmTool* panReturnTool() const override;
  bool selectFallbackTool() override;
  void clearColourHighlight() override {}
  bool colourHighlightShown() const override { return false; }
  QBrush canvasBackgroundBrush() const override;
  void receiveDrop(QDropEvent* event) override;
  QColor askColour(const QColor& current) override;
  bool persistOptions() const override;
  bool useTabletPressure() const override;
  QString productName() const override;
  QString helpRoot() const override;
  QString activeLanguage() const override;

 private:
  TsMainWindow* window_;
  WorkspaceHost* previous_;
};
