#pragma once

#include <QBrush>
#include <QColor>
#include <QDropEvent>
#include <QList>
#include <QMimeData>
#include <QStringList>

#include "workspace/ColourWorkspace.h"
#include "workspace/GmTool.h"
#include "workspace/WorkspaceHost.h"

// The main window's services to the workspace, scripted: installed for the life of the object
// (the previous host comes back after), answering from its public fields and recording the
// calls. The fallback choice is the window's own, with `panReturn` as the remembered tool.
class FakeWorkspaceHost : public WorkspaceHost {
 public:
  FakeWorkspaceHost() : previous_(setWorkspaceHost(this)) {}
  ~FakeWorkspaceHost() override { setWorkspaceHost(previous_); }
  FakeWorkspaceHost(const FakeWorkspaceHost&) = delete;
  FakeWorkspaceHost& operator=(const FakeWorkspaceHost&) = delete;

  QWidget* mainWindow() const override { return window; }
  ImageView* imageView() const override { return view; }
  GmTool* panReturnTool() const override { return panReturn; }
  bool selectFallbackTool() override {
    ++fallbacks;
    return GmTool::selectFallbackTool(panReturn);
  }
  // Answered by the colour workspace the window holds, when it holds one.
  void clearColourHighlight() override {
    ++highlightClears;
    if (colourWorkspace) colourWorkspace->clearHighlight();
  }
  bool colourHighlightShown() const override {
    return colourWorkspace ? colourWorkspace->highlightShown() : highlightShown;
  }
  QBrush canvasBackgroundBrush() const override { return background; }
  void receiveDrop(QDropEvent* event) override {
    drops << event->mimeData()->text();
    event->acceptProposedAction();
  }
  QColor askColour(const QColor& current) override {
    colourRequests << current;
    return colourAnswer;
  }
  bool persistOptions() const override { return persist; }
  bool useTabletPressure() const override { return tabletPressure; }
  QString productName() const override { return product; }
  QString helpRoot() const override { return help; }
  QString activeLanguage() const override { return language; }

  QWidget* window = nullptr;
  ImageView* view = nullptr;
  GmTool* panReturn = nullptr;
  bool highlightShown = false;
  // Borrowed; the window's colour workspace, null for none.
  ColourWorkspace* colourWorkspace = nullptr;
  QBrush background{Qt::white};
  QColor colourAnswer;
  bool persist = false;
  bool tabletPressure = false;
  QString product = QStringLiteral("Zarvo");
  QString help;
  QString language = QStringLiteral("en");
  int fallbacks = 0;
  int highlightClears = 0;
  QStringList drops;
  QList<QColor> colourRequests;

 private:
  WorkspaceHost* previous_;
};
