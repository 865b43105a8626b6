#include "workspace/CommonBlendOptsWidget.h"

#include <cmath>
#include <limits>

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "document/BlendingOptions.h"
#include "document/BlendingStuff.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceHost.h"

namespace {

const QString settingsGroup = QStringLiteral("BlendingOptions");
const QString widthName = QStringLiteral("Blend Width");
const QString ratioName = QStringLiteral("Intelligent Blending");
const QString helpPage = QStringLiteral("deleting_backgrounds/edge_blending_options.htm");
constexpr float widths[] = {0.0f, 0.15f, 0.75f, 1.5f};
constexpr int lastPosition = 8;

BlendingOptions& imageOptions() {
  return GmModel::instance()->blending()->options();
}

}  // namespace

CommonBlendOptsWidget::CommonBlendOptsWidget(bool persist, QWidget* parent)
    : BlendOptsWidget(persist, parent) {
  setEnabled(false);
  connect(GmModel::instance(), &GmModel::tellImageChanged, this,
          &CommonBlendOptsWidget::imageChangedSlot);
  ensureUi();
}

float CommonBlendOptsWidget::blendWidth(int index) {
  return index >= 0 && index < 4 ? widths[index] : 0.0f;
}

void CommonBlendOptsWidget::ensureUi() {
  if (layout()) return;
  auto* outer = new QVBoxLayout;
  outer->setContentsMargins(0, 0, 0, 0);
  setLayout(outer);
  buildUi(outer);
  changeEvent(nullptr);  // the rows take the panel's enabledness

  GmModel* model = GmModel::instance();
  BlendingOptions* record = model->activeRegion() ? &model->activeRegion()->blending()->options()
                                                  : &model->blending()->options();
  if (savesControls()) {
    storeOptions(record);
    labelRatio(ratioSlider_->value());
  } else {
    showOptions(record);
  }
}

void CommonBlendOptsWidget::buildUi(QBoxLayout* outer) {
  const QString title = tr("Edge Blending", "[ts3]");
  widthTitle_ = tr("Blend Width");
  ratioTitle_ = tr("Intelligent Blending");
  widthNames_ = QStringList{tr("None"), tr("Thin"), tr("Medium"), tr("Thick")};
  ratioLabels_ = QStringList{"5:0", "4:1", "3:1", "2:1", "1:1", "1:2", "1:3", "1:4", "0:5"};
  const bool save = savesControls();

  // Blend width: a label and the remembered choice among the four names.
  auto* widthRow = new QWidget;
  cleanup().add(widthRow);
  widthRow_ = widthRow;
  widthRow->setToolTip(tr("Thickness of automatically created blend mask"));
  widthRow->setWhatsThis(
      QStringLiteral("<p><b>%1&mdash;%2</b></p>%3").arg(title, widthTitle_, QString()) +
      tr("<p>Determines the thickness of <b>Blend</b> automatically created at the edges of "
         "<b>Delete</b> whenever you paint it.</p><p>Use the drop down menu to select one of "
         "the following options:</p><ul><li><b>None</b>: no Blend is created.</li><li><b>Thin"
         "</b>, <b>Medium</b> or <b>Thick</b>: an ever wider band of Blend.</li></ul>",
         "[tip]") +
      learnMoreTip(helpPage));
  auto* widthLayout = new QHBoxLayout(widthRow);
  widthLayout->setContentsMargins(0, 0, 0, 0);
  widthLayout->addWidget(new QLabel(widthTitle_ + QStringLiteral(": "), widthRow));
  auto* combo =
      new PersistentWidget<QComboBox, QString>(settingsGroup, widthName, tr("Thin"), save);
  widthCombo_ = combo;
  const QString remembered = combo->itemText(0);
  combo->removeItem(combo->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive));
  combo->addItems(widthNames_);
  combo->setCurrentIndex(widthNames_.indexOf(remembered));
  connect(combo, QOverload<int>::of(&QComboBox::activated), this,
          &CommonBlendOptsWidget::autoBlueWidthChangedSlot);
  widthLayout->addWidget(combo);

  // Ratio: its value, then Feather, the slider and Smart.
  const QString ratioTip = tr("Ratio of Feather and Smart blending across the edge");
  const QString ratioHelp =
      QStringLiteral("<p><b>%1&mdash;%2</b></p>").arg(title, ratioTitle_) +
      tr("<p>%1 has two methods for blending the edges along the cut-out border:</p><ul><li>"
         "<b>Feather</b> fades the object smoothly into its new background.</li><li><b>Smart</b> "
         "separates the colours of the object from those of its old background.</li></ul><p>"
         "Move the slider to mix the two.</p>",
         "[tip]")
          .arg(workspaceHost().productName()) +
      learnMoreTip(helpPage);
  auto* ratioRow = new QWidget;
  cleanup().add(ratioRow);
  ratioRow_ = ratioRow;
  ratioRow->setToolTip(ratioTip);
  ratioRow->setWhatsThis(ratioHelp);
  auto* ratioLayout = new QHBoxLayout(ratioRow);
  ratioLayout->setContentsMargins(0, 0, 0, 0);
  ratioValue_ = new QLabel(ratioRow);
  ratioLayout->addWidget(ratioValue_);
  ratioLayout->addSpacing(7);
  ratioLayout->addWidget(new QLabel(tr("Feather  "), ratioRow));
  auto* slider = new PersistentWidget<QSlider, int>(settingsGroup, ratioName, 0, save);
  ratioSlider_ = slider;
  slider->setOrientation(Qt::Horizontal);
  slider->setRange(0, lastPosition);
  slider->setSingleStep(1);
  connect(slider, &QSlider::valueChanged, this,
          &CommonBlendOptsWidget::blendRatioChangedBySliderSlot);
  ratioLayout->addWidget(slider);
  ratioLayout->addWidget(new QLabel(tr("  Smart"), ratioRow));

  auto* group = new QGroupBox(this);
  ratioGroup_ = group;
  group->setToolTip(ratioTip);
  group->setWhatsThis(ratioHelp);
  outer->addWidget(group);
}

void CommonBlendOptsWidget::changeEvent(QEvent* event) {
  if (event) QWidget::changeEvent(event);
  if (event && event->type() != QEvent::EnabledChange) return;
  // The rows live in the tool's page, outside this never-shown panel.
  for (QWidget* row : {widthRow_.data(), ratioRow_.data()})
    if (row) row->setEnabled(isEnabled());
}

void CommonBlendOptsWidget::showOptions(BlendingOptions* options) {
  if (!options) return;
  int choice = 0;
  float best = std::numeric_limits<float>::infinity();
  for (int i = 0; i < 4; ++i) {
    const float distance = std::fabs(options->autoBlueWidthF_ - widths[i]);
    if (distance < best) {
      best = distance;
      choice = i;
    }
  }
  if (widthCombo_) widthCombo_->setCurrentIndex(choice);
  options->autoBlueWidthF_ = widths[choice];
  tracksImage_ = options->isPatchBlendRatioTrackingImage_;
  // A ratio outside 0..1 (a hostile project) still names one of the nine positions.
  const float position = 8.0f * (1.0f - options->blendRatioF_) + 0.5f;
  const int p = !(position >= 0.0f)               ? 0
                : position >= float(lastPosition) ? lastPosition
                                                  : int(position);
  if (ratioSlider_) {
    const QSignalBlocker blocker(ratioSlider_.data());
    ratioSlider_->setValue(p);
  }
  showRatio(p);
}

void CommonBlendOptsWidget::storeOptions(BlendingOptions* options) {
  if (!options) return;
  const int index = widthCombo_ ? widthCombo_->currentIndex() : -1;
  // No selection (a remembered text that is no longer a name): the record keeps its width.
  if (index >= 0 && index < 4) options->autoBlueWidthF_ = widths[index];
  if (ratioSlider_) options->blendRatioF_ = 1.0f - float(ratioSlider_->value()) / lastPosition;
  options->isPatchBlendRatioTrackingImage_ = tracksImage_;
}

void CommonBlendOptsWidget::labelRatio(int position) {
  const QString text = QStringLiteral("%1:    %2").arg(ratioTitle_, ratioLabels_.value(position));
  if (ratioGroup_) ratioGroup_->setTitle(text);
  if (ratioValue_) ratioValue_->setText(text);
}

void CommonBlendOptsWidget::showRatio(int position) {
  const int p = qBound(0, position, lastPosition);
  labelRatio(p);
  if (!imageLevel_) return;
  const float ratio = 1.0f - float(p) / lastPosition;
  imageOptions().blendRatioF_ = ratio;
  emit GmModel::instance()->imageBlendRatioChanged(ratio);
}

void CommonBlendOptsWidget::storeWidth(int index) {
  if (index >= 0 && index < 4) imageOptions().autoBlueWidthF_ = widths[index];
}

void CommonBlendOptsWidget::setAutoBlueWidthToChoice(CommonBlendOptsWidget::BlendWidths w) {
  storeWidth(w);
}

void CommonBlendOptsWidget::setBinaryBlendRatio(bool soften) {
  showRatio(soften ? 0 : lastPosition);
}

void CommonBlendOptsWidget::autoBlueWidthChangedSlot(int index) {
  storeWidth(index);
}

void CommonBlendOptsWidget::blendRatioChangedBySliderSlot(int position) {
  showRatio(position);
}

void CommonBlendOptsWidget::imageChangedSlot(const TsSourceImage* image) {
  setEnabled(image != nullptr);
  showOptions(&imageOptions());
}
