#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QString>

#include "workspace/GmAction.h"
#include "workspace/ImageView.h"
#include "workspace/ToolOptions.h"

class ArrowTarget;
class GmRegion;
class QActionGroup;
class QKeyEvent;
class QMouseEvent;

// The base of every tool of every view tab. Exactly one tool is current (none before the first
// selection); it receives the canvas's mouse events in image coordinates and the main window's
// keys, decides the canvas cursor and how patches and forced edges are drawn, and names the view
// tabs it works in. Each tool owns a checkable action in one exclusive group: triggering it is
// how the tool becomes current. GUI thread only; the globals here are plain.
class GmTool : public QObject {
  Q_OBJECT

 public:
  // `options` null: the default options panel; `group` null: the tool action group. The action
  // joins `container` and `menuOrBar` (a menu or a tool bar) when given. A subclass whose
  // isUsable() differs from the default calls setEnabledSlot() at the end of its constructor.
  GmTool(const QString& name, const QString& text, const QIcon& icon, const QString& shortcut,
         const QString& help, QActionGroup* group = nullptr, QWidget* container = nullptr,
         QWidget* menuOrBar = nullptr, ToolOptions* options = nullptr);
  // A current tool hands over to the default tool without running any of its own virtuals.
  ~GmTool() override;

  // ---- What the canvas and the main window ask of the tool. Mouse points are in image
  // coordinates.
  virtual QCursor cursor() const;
  virtual void mousePressEvent(QMouseEvent* event, const QPointF& point);
  virtual void mouseMoveEvent(QMouseEvent* event, const QPointF& point);
  virtual void mouseReleaseEvent(QMouseEvent* event, const QPointF& point);
  virtual void mouseDoubleClickEvent(QMouseEvent* event, const QPointF& point);
  // Escape (or Ctrl+.) in the main window: backs out one step; the last step installs the
  // default tool.
  virtual void escapePressed();
  // Every main-window key press and release that is not an auto-repeat.
  virtual void keyEvent(QKeyEvent* event);
  virtual ImageView::ViewTabs viewTabs() const;
  virtual int defaultViewTab() const;
  // A canvas press first drops the patch preview and its pending area.
  virtual bool clearsPreviewOnPress() const;
  // The canvas draws the brush outline and reads tablet pressure only for brushes.
  virtual bool isBrushTool() const;
  virtual QColor cursorColour() const;
  virtual QColor strokeColour() const;
  // Gates canvas input, installation and the action's enabledness: by default, whether the
  // document holds an image.
  virtual bool isUsable() const;
  // How a patch or forced edge is drawn while this tool is current (a shape state).
  virtual int targetDisplayMode(ArrowTarget* target) const;
  // The tool to return to after a temporary tool; null for others.
  virtual GmTool* previousTool() const;
  virtual void activate(GmTool* previous) = 0;
  virtual void deactivate(GmTool* next) = 0;
  virtual bool clearsColourHighlight() const;

  bool usesTabletPressure() const { return isBrushTool(); }

  const QString& name() const { return name_; }
  const QString& text() const { return text_; }
  GmAction* action() const { return action_; }
  ToolOptions* options() const { return options_; }
  // The page the options panel shows for this tool; null only once it was destroyed.
  QWidget* optionPage() const { return page_; }
  // `page` becomes the tool's page (null: the shared empty page). A page set as shared is
  // never deleted by the tool; any other is deleted with the tool or when it is replaced.
  void setOptionPage(QWidget* page, bool shared = false);
  // The action's What's This: the text in bold, then `help`; empty for an empty help.
  void setWhatsThisText(const QString& help);

  // Whether viewTabs() holds the current view tab (2 without a view or outside its tabs).
  bool isAvailableInCurrentTab() const;
  // The left button's gesture as the canvas passes events on: 0 up, 1 pressed, 2 dragging.
  void updateButtonState(QMouseEvent* event);
  int leftButtonState() const { return leftButtonState_; }
  int previousLeftButtonState() const { return previousLeftButtonState_; }

  // Globals, cleared when their objects die.
  static GmTool* current();
  static GmTool* defaultTool();
  // The exclusive group of the tools' actions, made on first use under the host's main window.
  static QActionGroup* toolActionGroup();
  // The panel of tools built without one, made on first use without a parent.
  static ToolOptions* defaultOptionsPanel();
  // The host view's current tab; 2 without a view.
  static int currentViewTab();
  // The main window's choice after a tool refused to be installed, which every host's
  // selectFallbackTool forwards to: false when no tool is current; true, keeping it, when the
  // current tool is usable; otherwise installs `remembered` (the pan-return tool, or null) when
  // it is usable, else the default tool, and answers what that installation answered. A default
  // tool that refuses as well ends the search with false instead of asking the host again.
  static bool selectFallbackTool(GmTool* remembered);

 signals:
  void userCreatedRegion(GmRegion* region);

 public slots:
  // The action is enabled exactly while the tool is usable.
  void setEnabledSlot();
  // A usable tool is triggered unless current (true); otherwise the host picks a fallback and
  // the answer is false.
  bool installSlot();
  // Makes this tool current: the old tool's deactivate, toolChanged, the page, this tool's
  // activate, then the view tab (unless a space-bar pan holds it).
  void selectToolSlot();

 protected:
  // The default tool registers itself from its constructor.
  void becomeDefaultTool();
  // Both button states back to 0.
  void clearGesture();

 private:
  int leftButtonState_ = 0;
  int previousLeftButtonState_ = 0;
  QString name_;
  QString text_;
  QPointer<GmAction> action_;
  QPointer<ToolOptions> options_;
  QPointer<QWidget> page_;
  bool pageShared_ = false;
};
