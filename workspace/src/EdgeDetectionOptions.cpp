#include "workspace/EdgeDetectionOptions.h"

#include <array>
#include <initializer_list>

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "document/EDOs.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceHost.h"

namespace {

const QString settingsGroup = QStringLiteral("EdgeDetectionOptions");
const QString findingHelp = QStringLiteral("deleting_backgrounds/edge_finding_options.htm");
const QString detectionHelp = QStringLiteral("4-Tarsel_Tools/Edge_Detection.htm");
// The button-group ids of the radio buttons, in the order they are built: High, Medium, Low
// and Coarse, Medium, Fine.
constexpr int radioIds[] = {2, 1, 0};

}  // namespace

// A group of three radio buttons, in the order built.
struct EdgeDetectionOptions::RadioGroup {
  QString title;
  QString settingsGroup;
  QStringList names;  // untranslated: they name the settings keys
  QStringList labels;
  QStringList toolTips;
  QString help;
  void (EdgeDetectionOptions::*changed)(int);
  // The signals that check each button.
  std::array<void (EdgeDetectionOptions::*)(bool), 3> setters;
};

namespace {

bool documentHasImage() {
  const TsSourceImage* image = GmModel::instance()->segImage();
  return image && image->isValid();
}

// The id of the first checked button in `order`, else `fallback`.
int firstChecked(const QList<QPointer<PersistentWidget<QRadioButton, bool>>>& buttons,
                 std::initializer_list<int> order, int fallback) {
  for (const int id : order) {
    const int i = 2 - id;  // the position of the button of `id`
    if (buttons.value(i) && buttons.value(i)->isChecked()) return id;
  }
  return fallback;
}

}  // namespace

EdgeDetectionOptions::EdgeDetectionOptions(bool persist, QWidget* parent)
    : QWidget(parent), persist_(persist) {
  sensitivityName_ = tr("Number of Edges");
  widthName_ = tr("Edge Width Threshold");
  contrastName_ = tr("Edge Contrast");
  textureName_ = tr("Filter-out Texture");
  buildControls();
  bind();
  if (savesControls())
    storeWidgets();
  else
    showValues(values_);
  setEnabled(documentHasImage());

  GmModel* model = GmModel::instance();
  connect(model, &GmModel::resolutionChanged, this, &EdgeDetectionOptions::resolutionChangedSlot);
  connect(model, &GmModel::tellImageChanged, this, &EdgeDetectionOptions::imageChangedSlot);
  connect(model, &GmModel::sessionHasBegun, this, &EdgeDetectionOptions::sessionHasBegunSlot);
  connect(model, &GmModel::activeRegionChanged, this,
          &EdgeDetectionOptions::activeRegionChangedSlot);
  connect(model, &GmModel::ownSmegStatusChanged, this,
          &EdgeDetectionOptions::activeRegionChangedSlot);
}

bool EdgeDetectionOptions::savesControls() const {
  return persist_ && workspaceHost().persistOptions();
}

// ---- Controls

void EdgeDetectionOptions::buildControls() {
  const bool save = savesControls();
  const QString product = workspaceHost().productName();

  // Sensitivity: its label, then Fewer, the slider and More.
  auto* sensitivityRow = new QWidget;
  cleanup_.add(sensitivityRow);
  sensitivityRow_ = sensitivityRow;
  sensitivityRow->setToolTip(tr("How finely the image is to be divided"));
  sensitivityRow->setWhatsThis(
      QStringLiteral("<p><b>Edge Finding&mdash;") + sensitivityName_ + QStringLiteral("</b></p>") +
      tr("<p>Sets how many <b>Delete Edges</b> %1 finds in an image. The higher the setting, the "
         "more objects %1 will identify.</p><p>Raise it when edges you need are missing; lower "
         "it when the image is cut into too many small pieces.</p>",
         "[tip]")
          .arg(product) +
      learnMoreTip(findingHelp));
  auto* sensitivityLayout = new QHBoxLayout(sensitivityRow);
  sensitivityLayout->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(sensitivityRow);
  label->setMinimumWidth(120);
  sensitivityLabel_ = label;
  auto* sensitivity = new PersistentWidget<QSlider, int>(
      settingsGroup, QStringLiteral("Number of Edges"), 10, save);
  sensitivitySlider_ = sensitivity;
  sensitivity->setOrientation(Qt::Horizontal);
  sensitivity->setRange(1, 100);
  sensitivityLayout->addWidget(label);
  sensitivityLayout->addWidget(new QLabel(tr("Fewer  "), sensitivityRow));
  sensitivityLayout->addWidget(sensitivity);
  sensitivityLayout->addWidget(new QLabel(tr("  More"), sensitivityRow));
  connect(this, &EdgeDetectionOptions::setSensitivity, sensitivity, &QSlider::setValue);
  connect(sensitivity, &QSlider::valueChanged, this, &EdgeDetectionOptions::sensitivityChangedSlot);

  // Width: label, slider and spin box in step.
  auto* widthRow = new QWidget;
  cleanup_.add(widthRow);
  widthRow_ = widthRow;
  widthRow->setToolTip(tr("Find edges of minimum width (pixels)"));
  widthRow->setWhatsThis(
      tr("<p><b>Edge Finding&mdash;%1</b></p><p>Sets the minimum width in pixels of a color or "
         "texture transition that %2 will recognize as an edge.</p><p>Raise it to pass over fine "
         "detail such as texture; lower it to find thin edges.</p>",
         "[tip]")
          .arg(widthName_, product) +
      learnMoreTip(findingHelp));
  auto* widthLayout = new QHBoxLayout(widthRow);
  widthLayout->setContentsMargins(0, 0, 0, 0);
  auto* width = new PersistentWidget<QSlider, int>(settingsGroup,
                                                   QStringLiteral("Edge Width Threshold"), 8, save);
  widthSlider_ = width;
  width->setOrientation(Qt::Horizontal);
  width->setRange(1, 32);
  auto* widthBox = new QSpinBox(widthRow);
  widthBox->setSuffix(QStringLiteral("px"));
  widthBox->setRange(1, 32);
  widthBox->setValue(width->value());
  widthLayout->addWidget(new QLabel(widthName_ + QStringLiteral(":   "), widthRow));
  widthLayout->addWidget(width);
  widthLayout->addWidget(widthBox);
  connect(width, &QSlider::valueChanged, widthBox, &QSpinBox::setValue);
  connect(widthBox, QOverload<int>::of(&QSpinBox::valueChanged), width, &QSlider::setValue);
  connect(this, &EdgeDetectionOptions::setWidth, width, &QSlider::setValue);
  connect(width, &QSlider::valueChanged, this, &EdgeDetectionOptions::widthChangedSlot);

  // Contrast and texture: groups of three that no page places.
  contrastGroup_ = buildRadioGroup(
      {contrastName_,
       settingsGroup + QStringLiteral("/Edge Contrast"),
       {QStringLiteral("High"), QStringLiteral("Medium"), QStringLiteral("Low")},
       {tr("High"), tr("Medium"), tr("Low")},
       {tr("Find only high contrasting edges"), tr("Find normal or greater contrasting edges"),
        tr("Find low contrasting edges")},
       tr("<p>Sets the minimum color difference required to identify an edge.</p><p>At "
          "<b>High</b> only strong changes of colour count; at <b>Low</b> faint ones do too.</p>",
          "[tip]"),
       &EdgeDetectionOptions::contrastChanged,
       {&EdgeDetectionOptions::setEdgeContrastHigh, &EdgeDetectionOptions::setEdgeContrastMedium,
        &EdgeDetectionOptions::setEdgeContrastLow}},
      &contrastButtons_);
  textureGroup_ = buildRadioGroup(
      {QStringLiteral("Filter-out Texture"),
       settingsGroup + QStringLiteral("/Filtering"),
       {QStringLiteral("Coarse"), QStringLiteral("Medium"), QStringLiteral("Fine")},
       {tr("Coarse"), tr("Medium"), tr("Fine")},
       {tr("Find only large variations in texture"), tr("Find moderate variations in texture"),
        tr("Find small variations in texture")},
       tr("<p>Sets texture recognition.</p><p>At <b>Coarse</b> only large patterns separate "
          "objects; at <b>Fine</b> small ones do too.</p>",
          "[tip]"),
       &EdgeDetectionOptions::textureFilterChanged,
       {&EdgeDetectionOptions::setTextureFilterCoarse,
        &EdgeDetectionOptions::setTextureFilterMedium,
        &EdgeDetectionOptions::setTextureFilterFine}},
      &textureButtons_);

  updating_ = true;
  relabelSensitivity(sensitivity->value());
  updating_ = false;
}

QWidget* EdgeDetectionOptions::buildRadioGroup(const RadioGroup& spec, RadioButtons* buttons) {
  auto* box = new QGroupBox(spec.title, this);
  box->setFlat(true);
  box->setWhatsThis(spec.help + learnMoreTip(detectionHelp));
  box->hide();
  auto* layout = new QVBoxLayout(box);
  auto* buttonGroup = new QButtonGroup(box);
  for (int i = 0; i < 3; ++i) {
    // The middle one is checked unless the settings say otherwise.
    auto* button = new PersistentWidget<QRadioButton, bool>(spec.settingsGroup, spec.names.at(i),
                                                            i == 1, savesControls());
    button->setText(spec.labels.at(i));
    button->setToolTip(spec.toolTips.at(i));
    button->setWhatsThis(box->whatsThis());
    layout->addWidget(button);
    buttonGroup->addButton(button, radioIds[i]);
    connect(this, spec.setters[i], button, &QRadioButton::setChecked);
    *buttons << button;
  }
  connect(buttonGroup, &QButtonGroup::idClicked, this, spec.changed);
  return box;
}

QToolButton* EdgeDetectionOptions::defaultsButton() {
  if (defaultsButton_) return defaultsButton_;
  auto* button = new QToolButton;
  cleanup_.add(button);
  defaultsButton_ = button;
  button->setText(tr("Defaults"));
  button->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
  button->setToolTip(tr("Restore defaults for this image"));
  button->setWhatsThis(tr("<p><b>Edge Finding&mdash;Defaults</b></p><p>Restore the <b>Edge "
                          "Finding</b> settings to their original values.</p>",
                          "[tip]") +
                       learnMoreTip(detectionHelp));
  connect(button, &QToolButton::clicked, this, &EdgeDetectionOptions::setDefaultsSlot);
  setEnablednessOfButtons();
  return button;
}

void EdgeDetectionOptions::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::EnabledChange) return;
  // The rows and the button live in the tool's page, outside this never-shown panel.
  for (QWidget* row : {sensitivityRow_.data(), widthRow_.data()})
    if (row) row->setEnabled(isEnabled());
  setEnablednessOfButtons();
}

void EdgeDetectionOptions::relabelSensitivity(int value) {
  if (sensitivityLabel_)
    sensitivityLabel_->setText(QStringLiteral("%1:    %2 %").arg(sensitivityName_).arg(value));
}

// ---- Binding and showing

void EdgeDetectionOptions::bind() {
  settings_ = GmModel::instance()->segmentation();
  values_ = &settings_->values();
}

void EdgeDetectionOptions::storeWidgets() {
  if (!values_) return;
  if (sensitivitySlider_) values_->sensitivity.current = sensitivitySlider_->value();
  if (widthSlider_) values_->width.current = widthSlider_->value();
  // High before Medium before Low; Fine before Medium before Coarse.
  values_->contrast.current = firstChecked(contrastButtons_, {2, 1, 0}, values_->contrast.current);
  values_->texture.current = firstChecked(textureButtons_, {0, 1, 2}, values_->texture.current);
  setEnablednessOfButtons();
}

void EdgeDetectionOptions::showValues(EDOs* values) {
  if (!values) return;
  updating_ = true;
  emit setSensitivity(values->sensitivity.current);
  emit setWidth(values->width.current);
  switch (values->contrast.current) {
    case 0:
      emit setEdgeContrastLow(true);
      break;
    case 1:
      emit setEdgeContrastMedium(true);
      break;
    case 2:
      emit setEdgeContrastHigh(true);
      break;
    default:
      break;
  }
  switch (values->texture.current) {
    case 0:
      emit setTextureFilterFine(true);
      break;
    case 1:
      emit setTextureFilterMedium(true);
      break;
    case 2:
      emit setTextureFilterCoarse(true);
      break;
    default:
      break;
  }
  setEnablednessOfButtons();
  updating_ = false;
}

// ---- Slots

void EdgeDetectionOptions::setEnablednessOfButtons() {
  if (defaultsButton_)
    defaultsButton_->setEnabled(isEnabled() && values_ && values_->anyNonDefault());
}

void EdgeDetectionOptions::applyValuesSlot() {
  if (values_ && settings_) {
    values_->storeApplied();
    settings_->findEdges(this);
    showValues(values_);
  }
  setEnablednessOfButtons();
}

void EdgeDetectionOptions::resolutionChangedSlot(int oldRes, int newRes) {
  if (!values_ || newRes < 1) return;
  int inImage = values_->widthInImageCoords;
  if (inImage < 1) {
    inImage = values_->width.applied * oldRes;
    values_->widthInImageCoords = inImage;
  }
  values_->width.current = qBound(1, inImage / newRes, 32);
  showValues(values_);
}

void EdgeDetectionOptions::imageChangedSlot(const TsSourceImage* image) {
  if (!image) {
    settings_ = nullptr;
    values_ = nullptr;
  }
  setEnabled(image != nullptr);
}

void EdgeDetectionOptions::activeRegionChangedSlot(GmRegion* region) {
  if (settings_ && settings_->owner()) return;
  const bool own = region && region->segmentation()->ownSettings();
  setEnabled(documentHasImage() && !own);
}

void EdgeDetectionOptions::sessionHasBegunSlot() {
  bind();
  showValues(values_);
  settings_->findEdges(this);
}

void EdgeDetectionOptions::setDefaultsSlot() {
  if (!values_) return;
  values_->resetToDefaults();
  showValues(values_);
  setEnablednessOfButtons();
  if (applyAtOnce_) applyValuesSlot();
}

void EdgeDetectionOptions::contrastChanged(int id) {
  if (values_) values_->contrast.current = id;
  setEnablednessOfButtons();
}

void EdgeDetectionOptions::textureFilterChanged(int id) {
  if (values_) values_->texture.current = id;
  setEnablednessOfButtons();
}

void EdgeDetectionOptions::widthChangedSlot(int value) {
  if (values_) {
    values_->width.current = value;
    // Only the user's setting counts: values pushed in keep the width in image pixels.
    if (!updating_) values_->widthInImageCoords = GmModel::instance()->resolution() * value;
  }
  setEnablednessOfButtons();
  if (applyAtOnce_ && !updating_) applyValuesSlot();
}

void EdgeDetectionOptions::sensitivityChangedSlot(int value) {
  if (values_) values_->sensitivity.current = value;
  relabelSensitivity(value);
  setEnablednessOfButtons();
  if (applyAtOnce_ && !updating_) applyValuesSlot();
}
