#pragma once

#include <functional>

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPointer>

#include "Corvane.h"
#include "workspace/GmSubWindow.h"

class ColourAxis;
class ColourDisplay;
class ColourWorkspaceSelectTool;
class GmRegion;
class GmTool;
class QAbstractButton;
class QAction;
class QSlider;
class QSpinBox;
class QToolButton;
class TsSourceImage;

// The "Color Workspace" sub-window: the user picks colours on the photo with its pick tool,
// sees every pixel of those colours highlighted (among the statuses viewed, inside the active
// patch when there is one) and gives all of them a status in one engine command. It works in
// any holder: its constructor connects it to the document that exists then, to that document's
// status array (the selections to the highlight threads) and to the user colours; a holder
// answers WorkspaceHost::clearColourHighlight() and colourHighlightShown() with clearHighlight()
// and highlightShown(). It starts in 2-D, hue across and lightness up, colour bits 8, every
// status viewed, picking from the photo, auto-blend off. GUI thread.
class ColourWorkspace : public GmSubWindow {
  Q_OBJECT

 public:
  // Answers the channel chosen for an axis from the menu below `button`, or -1 when the menu
  // was cancelled; `current` is the axis's channel.
  using ChannelChooser = std::function<int(QAbstractButton* button, int current)>;

  // `menu` and `shortcut` as for every sub-window; the pick tool's action joins `toolGroup`
  // (null: the tool action group) and `toolMenu`.
  explicit ColourWorkspace(QWidget* parent = nullptr, QWidget* menu = nullptr,
                           const QString& shortcut = QString(), QActionGroup* toolGroup = nullptr,
                           QWidget* toolMenu = nullptr);
  ~ColourWorkspace() override;

  bool visibleByDefault() const override { return false; }
  ImageView::ViewTabs viewTabs() const override;

  // What the holder's host answers for the canvas and the tool switch.
  void clearHighlight();
  bool highlightShown() const;

  ColourDisplay* display() const { return display_; }
  ColourWorkspaceSelectTool* selectTool() const { return tool_; }
  // The working image of the photo, which colours are picked from and counted over.
  const QImage& colourImage() const { return colourImage_; }

  // The default pops the menu of the six channels up below the button.
  void setChannelChooser(ChannelChooser chooser) { chooseChannel_ = std::move(chooser); }
  const QList<QAction*>& channelActions() const { return channelActions_; }

  QToolButton* modeButton() const { return modeButton_; }
  QToolButton* horizontalAxisButton() const { return axisButtons_[0]; }
  QToolButton* verticalAxisButton() const { return axisButtons_[1]; }
  QSpinBox* colourBitsBox() const { return bitsBox_; }
  // By status: 1 unassigned, 2 keep, 4 delete, 8 blend; null for any other.
  QToolButton* viewButton(int status) const;
  QToolButton* reassignmentButton(int status) const;
  QToolButton* autoBlendButton() const { return autoBlend_; }

 public slots:
  void opacityChanged(int opacity);
  void imageChanged(const TsSourceImage* image);
  void statusImageChanged(const QImage* image);
  void regionChanged(GmRegion* region);
  void modeChanged();
  // Picks replace, add or take away by their modifiers: there is no selection mode to switch.
  void selectModeChanged();
  void statusesViewedChanged(bool checked);
  void updateVisibilitySlot();
  void chooseHorizontalAxis();
  void chooseVerticalAxis();
  void colourBitsChanged(int value);
  void toUnassigned();
  void toKeep();
  void toDrop();
  void toBlend();
  // Gives every highlighted pixel `status` (1, 2, 4 or 8; any other does nothing) through one
  // engine command, then clears the highlight. Nothing without a highlight or a photo.
  void goTo(CvPixelStatus status);
  void updateReassignmentButtons();
  void viewUnassignedChangedSlot(bool checked);
  void viewKeepChangedSlot(bool checked);
  void viewDropChangedSlot(bool checked);
  void viewBlendChangedSlot(bool checked);
  void setAutoBlend(bool on);

 private:
  struct StatusButtons {
    int status;
    QToolButton* view;
    QToolButton* reassign;
    QIcon viewed;
    QIcon hidden;
  };
  QWidget* buildContent();
  void connectDocument();
  // The view options' mask opacity slider, once one exists.
  void followOpacitySlider();
  void chooseAxis(int axis);
  void showChannels();
  void showViewIcon(int status, bool checked);
  const StatusButtons* buttonsFor(int status) const;

  ColourDisplay* display_;
  ColourWorkspaceSelectTool* tool_;
  QImage colourImage_;
  ColourAxis* axes_[2] = {nullptr, nullptr};
  QToolButton* axisButtons_[2] = {nullptr, nullptr};
  QToolButton* modeButton_ = nullptr;
  QSpinBox* bitsBox_ = nullptr;
  QList<StatusButtons> statuses_;
  QToolButton* autoBlend_ = nullptr;
  QList<QAction*> channelActions_;
  ChannelChooser chooseChannel_;
  QPointer<QSlider> opacitySlider_;

  // What updateVisibilitySlot and regionChanged saw last.
  QPointer<GmTool> lastTool_;
  QPointer<GmRegion> lastRegion_;
  bool lastRegionSeen_ = false;
  int lastRegionChanges_ = -1;
};
