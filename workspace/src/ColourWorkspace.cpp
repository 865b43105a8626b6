#include "workspace/ColourWorkspace.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "document/CorvaneThread.h"
#include "document/CvCmdSelect.h"
#include "document/DocumentMetaTypes.h"
#include "document/GmBrushing.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/TsSourceImage.h"
#include "document/UserColours.h"
#include "workspace/ColourAxis.h"
#include "workspace/ColourDisplay.h"
#include "workspace/ColourWorkspaceSelectTool.h"
#include "workspace/ViewOptions.h"
#include "workspace/WorkspaceResources.h"

using namespace kestrum::colour;

namespace {

enum Axis { Across = 0, Up = 1 };

// The user colour a reassignment's stroke shows in while its command waits and runs.
QColor reassignmentColour(int status) {
  UserColours::Colour which = UserColours::PatchOrForcedEdge;
  switch (status) {
    case CvStatusKeep:
      which = UserColours::KeepMask;
      break;
    case CvStatusDelete:
      which = UserColours::DeleteMask;
      break;
    case CvStatusBlend:
      which = UserColours::BlendMask;
      break;
    default:
      break;
  }
  return UserColours::instance()->colour(which)->color();
}

QToolButton* toolButton(const QString& text, const QString& tip, const QIcon& icon = QIcon()) {
  auto* button = new QToolButton;
  button->setText(text);
  button->setToolTip(tip);
  button->setIcon(icon);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

ColourWorkspace::ColourWorkspace(QWidget* parent, QWidget* menu, const QString& shortcut,
                                 QActionGroup* toolGroup, QWidget* toolMenu)
    : GmSubWindow(QStringLiteral("ColourWorkspace"), tr("Color Workspace"), menu, shortcut, parent),
      display_(new ColourDisplay),
      tool_(new ColourWorkspaceSelectTool(toolGroup, toolMenu)) {
  // The selections reach the status array's slots by these types.
  registerDocumentMetaTypes();
  tool_->setParent(this);
  for (channel which : {Hue, Lightness, Saturation, Red, Green, Blue}) {
    auto* action = new QAction(ColourDisplay::channelName(which), this);
    action->setCheckable(true);
    channelActions_ << action;
  }
  chooseChannel_ = [this](QAbstractButton* button, int current) {
    for (int i = 0; i < channelActions_.size(); ++i)
      channelActions_.at(i)->setChecked(i == current);
    QMenu menu;
    menu.addActions(channelActions_);
    QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height())));
    return chosen ? channelActions_.indexOf(chosen) : -1;
  };
  setContentWidget(buildContent());
  setResizable(true);
  showChannels();
  connectDocument();
  GmModel* model = GmModel::instance();
  if (model->segImage()) imageChanged(model->segImage());
  updateReassignmentButtons();
}

ColourWorkspace::~ColourWorkspace() {
  // A current pick tool hands over to the default tool as it goes, and the document reports
  // it: nothing of that may reach this window once its members are being destroyed.
  if (GmModel* model = GmModel::existingInstance()) model->disconnect(this);
  delete tool_;
}

QWidget* ColourWorkspace::buildContent() {
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);

  auto* top = new QHBoxLayout;
  QIcon modeIcon;
  modeIcon.addPixmap(QPixmap(QStringLiteral(":images/colour_mode_plane.png")), QIcon::Normal,
                     QIcon::Off);
  modeIcon.addPixmap(QPixmap(QStringLiteral(":images/colour_mode_strip.png")), QIcon::Normal,
                     QIcon::On);
  modeButton_ = toolButton(tr("1-D"), tr("One channel as a strip, or two as a plane"), modeIcon);
  modeButton_->setCheckable(true);
  top->addWidget(modeButton_);
  for (int axis : {Across, Up}) {
    axisButtons_[axis] =
        toolButton(QString(), axis == Across ? tr("Channel across: click to choose")
                                             : tr("Channel up: click to choose"));
    axisButtons_[axis]->setArrowType(Qt::DownArrow);
    axisButtons_[axis]->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    top->addWidget(axisButtons_[axis]);
  }
  top->addStretch();
  auto* bitsLabel = new QLabel(tr("Color Bits:"));
  bitsBox_ = new QSpinBox;
  bitsBox_->setRange(1, 8);
  bitsBox_->setValue(display_->colourBits());
  bitsBox_->setToolTip(
      tr("Precision of a picked color: with fewer bits a pick takes a wider "
         "range of values"));
  bitsLabel->setBuddy(bitsBox_);
  top->addWidget(bitsLabel);
  top->addWidget(bitsBox_);
  layout->addLayout(top);

  auto* plane = new QGridLayout;
  plane->setSpacing(2);
  axes_[Up] = new ColourAxis(Qt::Vertical);
  axes_[Across] = new ColourAxis(Qt::Horizontal);
  plane->addWidget(axes_[Up], 0, 0);
  plane->addWidget(display_, 0, 1);
  plane->addWidget(axes_[Across], 1, 1);
  layout->addLayout(plane, 1);

  const struct {
    int status;
    const char* viewed;
    const char* hidden;
    const char* reassign;
    QString viewTip;
    QString text;
  } rows[] = {
      {CvStatusInPicture, ":images/colour_view_unassigned_on.png",
       ":images/colour_view_unassigned_off.png", ":images/colour_to_unassigned.png",
       tr("Include unassigned pixels"), tr("Unassigned")},
      {CvStatusKeep, ":images/colour_view_keep_on.png", ":images/colour_view_keep_off.png",
       ":images/colour_to_keep.png", tr("Include Keep pixels"), tr("Keep")},
      {CvStatusDelete, ":images/colour_view_delete_on.png", ":images/colour_view_delete_off.png",
       ":images/colour_to_delete.png", tr("Include Delete pixels"), tr("Delete")},
      {CvStatusBlend, ":images/colour_view_blend_on.png", ":images/colour_view_blend_off.png",
       ":images/colour_to_blend.png", tr("Include Blend pixels"), tr("Blend")},
  };
  auto* views = new QHBoxLayout;
  views->addWidget(new QLabel(tr("View:")));
  auto* reassign = new QHBoxLayout;
  reassign->addWidget(new QLabel(tr("Make:")));
  for (const auto& row : rows) {
    StatusButtons buttons{row.status, nullptr, nullptr, QIcon(QString::fromLatin1(row.viewed)),
                          QIcon(QString::fromLatin1(row.hidden))};
    buttons.view = toolButton(row.text, row.viewTip, buttons.viewed);
    buttons.view->setCheckable(true);
    buttons.view->setChecked(true);
    views->addWidget(buttons.view);
    buttons.reassign =
        toolButton(row.text, tr("Give every highlighted pixel the status %1").arg(row.text),
                   QIcon(QString::fromLatin1(row.reassign)));
    buttons.reassign->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    reassign->addWidget(buttons.reassign);
    statuses_ << buttons;
  }
  views->addStretch();
  reassign->addStretch();
  autoBlend_ = toolButton(tr("Auto Blend"),
                          tr("Blend along the edges between Keep and Delete after a reassignment"),
                          QIcon(QStringLiteral(":images/colour_auto_blend.png")));
  autoBlend_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  autoBlend_->setCheckable(true);
  reassign->addWidget(autoBlend_);
  layout->addLayout(views);
  layout->addLayout(reassign);

  connect(modeButton_, &QToolButton::toggled, this, &ColourWorkspace::modeChanged);
  connect(axisButtons_[Across], &QToolButton::clicked, this,
          &ColourWorkspace::chooseHorizontalAxis);
  connect(axisButtons_[Up], &QToolButton::clicked, this, &ColourWorkspace::chooseVerticalAxis);
  connect(bitsBox_, QOverload<int>::of(&QSpinBox::valueChanged), this,
          &ColourWorkspace::colourBitsChanged);
  for (const StatusButtons& buttons : statuses_)
    connect(buttons.view, &QToolButton::toggled, this, &ColourWorkspace::statusesViewedChanged);
  connect(statuses_.at(0).view, &QToolButton::toggled, this,
          &ColourWorkspace::viewUnassignedChangedSlot);
  connect(statuses_.at(1).view, &QToolButton::toggled, this, &ColourWorkspace::viewKeepChangedSlot);
  connect(statuses_.at(2).view, &QToolButton::toggled, this, &ColourWorkspace::viewDropChangedSlot);
  connect(statuses_.at(3).view, &QToolButton::toggled, this,
          &ColourWorkspace::viewBlendChangedSlot);
  connect(statuses_.at(0).reassign, &QToolButton::clicked, this, &ColourWorkspace::toUnassigned);
  connect(statuses_.at(1).reassign, &QToolButton::clicked, this, &ColourWorkspace::toKeep);
  connect(statuses_.at(2).reassign, &QToolButton::clicked, this, &ColourWorkspace::toDrop);
  connect(statuses_.at(3).reassign, &QToolButton::clicked, this, &ColourWorkspace::toBlend);
  return content;
}

void ColourWorkspace::connectDocument() {
  using OneChannel = QOverload<std::vector<bool>, channel, CvPixelStatus>;
  using TwoChannels = QOverload<QImage, channel, channel, CvPixelStatus>;
  GmModel* model = GmModel::instance();
  GmStatusArray* statuses = model->statusArray();
  connect(display_, OneChannel::of(&ColourDisplay::highlightChanged), statuses,
          OneChannel::of(&GmStatusArray::highlightChanged));
  connect(display_, TwoChannels::of(&ColourDisplay::highlightChanged), statuses,
          TwoChannels::of(&GmStatusArray::highlightChanged));
  connect(display_, &ColourDisplay::unHighlit, statuses, &GmStatusArray::unHighlight);
  // The reassignment buttons follow every selection emitted.
  connect(display_, OneChannel::of(&ColourDisplay::highlightChanged), this,
          &ColourWorkspace::updateReassignmentButtons);
  connect(display_, TwoChannels::of(&ColourDisplay::highlightChanged), this,
          &ColourWorkspace::updateReassignmentButtons);
  connect(tool_, &ColourWorkspaceSelectTool::colourPicked, display_, &ColourDisplay::colourPicked);
  connect(model, &GmModel::tellImageChanged, this, &ColourWorkspace::imageChanged);
  connect(model, &GmModel::statusImageChanged, this, &ColourWorkspace::statusImageChanged);
  connect(model, &GmModel::activeRegionChanged, this, &ColourWorkspace::regionChanged);
  connect(model, &GmModel::toolChanged, this, &ColourWorkspace::updateVisibilitySlot);
  connect(statuses, &GmStatusArray::statusChanged, display_, &ColourDisplay::statusArrayChanged);
  connect(UserColours::instance()->colour(UserColours::ColorWorkspaceHighlight),
          &GmColor::colorChanged, display_, &ColourDisplay::highlightColourChanged);
  followOpacitySlider();
}

void ColourWorkspace::followOpacitySlider() {
  ViewOptions* options = ViewOptions::instance();
  if (!options || opacitySlider_ == options->opacitySlider()) return;
  opacitySlider_ = options->opacitySlider();
  connect(opacitySlider_, &QSlider::valueChanged, this, &ColourWorkspace::opacityChanged);
}

ImageView::ViewTabs ColourWorkspace::viewTabs() const {
  return ImageView::ViewTabs(ImageView::DeleteBackground);
}

void ColourWorkspace::clearHighlight() {
  display_->unHighlight();
}

bool ColourWorkspace::highlightShown() const {
  return isVisible() && !suppressed();
}

QToolButton* ColourWorkspace::viewButton(int status) const {
  const StatusButtons* buttons = buttonsFor(status);
  return buttons ? buttons->view : nullptr;
}

QToolButton* ColourWorkspace::reassignmentButton(int status) const {
  const StatusButtons* buttons = buttonsFor(status);
  return buttons ? buttons->reassign : nullptr;
}

const ColourWorkspace::StatusButtons* ColourWorkspace::buttonsFor(int status) const {
  for (const StatusButtons& buttons : statuses_)
    if (buttons.status == status) return &buttons;
  return nullptr;
}

// ---- Slots

void ColourWorkspace::opacityChanged(int) {
  display_->update();
}

void ColourWorkspace::imageChanged(const TsSourceImage* image) {
  GmModel* model = GmModel::instance();
  if (image) {
    if (TsSourceImage* own = model->segImage(); own == image) {
      own->updateDisplayImage();
      if (own->workingPixmap().isNull()) own->prepareWorkingImage(model->resolution());
    }
    colourImage_ = image->workingImage();
  } else {
    colourImage_ = QImage();
  }
  display_->unHighlight();
  display_->setColourImage(colourImage_);
  tool_->setColourImage(colourImage_);
  followOpacitySlider();
}

void ColourWorkspace::statusImageChanged(const QImage*) {
  display_->wantRecount();
}

void ColourWorkspace::regionChanged(GmRegion* region) {
  const int changes = region ? region->editCount() : -1;
  const bool differs = (region != nullptr) != lastRegionSeen_ || region != lastRegion_.data() ||
                       changes != lastRegionChanges_;
  if (differs) {
    lastRegion_ = region;
    lastRegionSeen_ = region != nullptr;
    lastRegionChanges_ = changes;
    display_->wantRecount();
  }
  updateVisibilitySlot();
}

void ColourWorkspace::modeChanged() {
  const int mode =
      modeButton_->isChecked() ? ColourDisplay::OneChannel : ColourDisplay::TwoChannels;
  if (mode == display_->mode()) return;
  display_->setMode(mode);
  display_->unHighlight();
  showChannels();
}

void ColourWorkspace::selectModeChanged() {}

void ColourWorkspace::statusesViewedChanged(bool) {
  int mask = 0;
  for (const StatusButtons& buttons : statuses_)
    if (buttons.view->isChecked()) mask |= buttons.status;
  display_->setStatusMask(mask);
}

void ColourWorkspace::updateVisibilitySlot() {
  GmTool* current = GmTool::current();
  GmTool* previous = lastTool_;
  lastTool_ = current;
  if (current != previous && current != tool_ && previous != tool_) return;
  bool wanted = current == tool_;
  if (!closed() && GmModel::instance()->activeRegion()) wanted = true;
  setWantedVisible(wanted);
}

void ColourWorkspace::chooseHorizontalAxis() {
  chooseAxis(Across);
}

void ColourWorkspace::chooseVerticalAxis() {
  chooseAxis(Up);
}

void ColourWorkspace::chooseAxis(int axis) {
  QToolButton* button = axisButtons_[axis];
  const channel current =
      axis == Across ? display_->horizontalChannel() : display_->verticalChannel();
  const int chosen = chooseChannel_ ? chooseChannel_(button, current) : -1;
  button->setDown(false);
  if (chosen < Hue || chosen > Blue || chosen == current) return;
  const channel picked = channel(chosen);
  if (axis == Across)
    display_->setChannels(picked, ColourDisplay::partnerFor(picked, display_->verticalChannel()));
  else
    display_->setChannels(ColourDisplay::partnerFor(picked, display_->horizontalChannel()), picked);
  showChannels();
  display_->unHighlight();
}

void ColourWorkspace::showChannels() {
  const bool plane = display_->mode() == ColourDisplay::TwoChannels;
  axisButtons_[Across]->setText(ColourDisplay::channelName(display_->horizontalChannel()));
  axisButtons_[Up]->setText(ColourDisplay::channelName(display_->verticalChannel()));
  axes_[Across]->setChannel(display_->horizontalChannel());
  axes_[Up]->setChannel(display_->verticalChannel());
  // A strip has no vertical channel.
  axisButtons_[Up]->setVisible(plane);
  axes_[Up]->setVisible(plane);
  display_->update();
}

void ColourWorkspace::colourBitsChanged(int value) {
  display_->setColourBits(value);
  display_->update();
}

void ColourWorkspace::toUnassigned() {
  goTo(CvStatusInPicture);
}

void ColourWorkspace::toKeep() {
  goTo(CvStatusKeep);
}

void ColourWorkspace::toDrop() {
  goTo(CvStatusDelete);
}

void ColourWorkspace::toBlend() {
  goTo(CvStatusBlend);
}

void ColourWorkspace::goTo(CvPixelStatus status) {
  if (status != CvStatusInPicture && status != CvStatusKeep && status != CvStatusDelete &&
      status != CvStatusBlend)
    return;
  GmModel* model = GmModel::instance();
  GmStatusArray* statuses = model->statusArray();
  if (statuses->highlightImage().isNull() || colourImage_.isNull()) return;
  // A run still under way has not marked every pixel yet.
  statuses->oneChannelThread().wait();
  statuses->twoChannelThread().wait();
  const QImage& highlight = statuses->highlightImage();
  const QImage mask =
      highlight.size() == colourImage_.size()
          ? highlight
          : highlight.scaled(colourImage_.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  // Shown on the canvas in the status's colour until its command is done.
  auto* stroke = new GmBrushing(reassignmentColour(status));
  stroke->brushing().setStrokeImage(mask, QRectF(colourImage_.rect()));
  CorvaneThread::submitToInstance(
      new CvCmdSelect(model, stroke, CvStatusClassMask, status, false, !autoBlend_->isChecked()));
  display_->unHighlight();
}

void ColourWorkspace::updateReassignmentButtons() {
  const bool enabled = !display_->isHighlightEmpty();
  for (const StatusButtons& buttons : statuses_) buttons.reassign->setEnabled(enabled);
}

void ColourWorkspace::showViewIcon(int status, bool checked) {
  if (const StatusButtons* buttons = buttonsFor(status))
    buttons->view->setIcon(checked ? buttons->viewed : buttons->hidden);
}

void ColourWorkspace::viewUnassignedChangedSlot(bool checked) {
  showViewIcon(CvStatusInPicture, checked);
}

void ColourWorkspace::viewKeepChangedSlot(bool checked) {
  showViewIcon(CvStatusKeep, checked);
}

void ColourWorkspace::viewDropChangedSlot(bool checked) {
  showViewIcon(CvStatusDelete, checked);
}

void ColourWorkspace::viewBlendChangedSlot(bool checked) {
  showViewIcon(CvStatusBlend, checked);
}

void ColourWorkspace::setAutoBlend(bool on) {
  autoBlend_->setChecked(on);
}
