#include "composition/ImageSizeTool.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QTimer>

#include "ImageSizeToolPrivate.h"
#include "composition/CanvasSizes.h"
#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/ZarvoObject.h"
#include "kestrum/qt/AppPaths.h"
#include "workspace/ToolPaletteButton.h"
#include "workspace/WidgetFunctions.h"

namespace {

const char* const kHelpPage = "composing_pictures/setting_image_size.htm";
constexpr int kMinSide = 50;
constexpr int kMaxSide = 1600;

QString helpTail() {
  return learnMoreTip(QLatin1String(kHelpPage));
}

}  // namespace

ImageSizeTool::ImageSizeTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : GmTool(QStringLiteral("Set Image Size"), tr("Set Image Size"),
             compositionIcon(QStringLiteral(":images/tool_image_size.png")), QString(),
             tr("<p>Set the new image size you will be working with. This is measured in pixels "
                "(Height x Width) and by file size (Kb). This can be done either manually or "
                "using presets.</p>") +
                 helpTail(),
             group, nullptr, menu, options),
      d(std::make_unique<ImageSizeToolPrivate>()) {
  d->chainBroken = QPixmap(QStringLiteral(":zarvo/chain_broken.png"));
  d->chainSolid = QPixmap(QStringLiteral(":zarvo/chain_solid.png"));
  setOptionPage(createOptionsWidget());
  d->shapes[QStringLiteral("Portrait")] = {0.75, d->portraitButton};
  d->shapes[QStringLiteral("Landscape")] = {4.0 / 3.0, d->landscapeButton};
  d->shapes[QStringLiteral("Square")] = {1.0, d->squareButton};
  d->shapes[QStringLiteral("Custom")] = {0.0, d->customButton};
  ZarvoObject* hub = ZarvoObject::instance();
  for (const auto& shape : d->shapes) {
    connect(shape.second.button, &ToolPaletteButton::clicked, hub, &ZarvoObject::noteUserChange);
    connect(shape.second.button, &ToolPaletteButton::clicked, this,
            &ImageSizeTool::shapeChangedSlot);
  }
  // The tool sets the preset itself only to the one it shows already, or for an edit of the
  // user's.
  connect(d->presetCombo, qOverload<int>(&QComboBox::currentIndexChanged), hub,
          &ZarvoObject::noteUserChange);
  connect(hub, &ZarvoObject::zarvoReset, this, &ImageSizeTool::reset);
  initialiseControls();
}

ImageSizeTool::~ImageSizeTool() = default;

QWidget* ImageSizeTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(0, 0, 0, 0);

  const QString presetHelp =
      tr("<p><b>Set Image Size - Presets</b></p><p>Pick a preset for one of the following "
         "sites:</p><ul><li>eBay</li><li>uBid</li><li>CQOUT</li></ul><p>This will set the best "
         "image width, height and size for the site automatically. If you change the width, "
         "height or size the preset is set back to <i>None</i>.</p><p>You can use any shape you "
         "like with any site preset.</p>") +
      helpTail();
  d->presetLabel = new QLabel(tr("Preset:"));
  d->presetCombo = new QComboBox;
  d->presetCombo->setToolTip(tr("Choose a site"));
  d->presetCombo->addItem(tr("None"));
  d->webPresets[d->presetCombo->itemText(0)] = WebPreset();
  for (QWidget* w : {static_cast<QWidget*>(d->presetLabel), static_cast<QWidget*>(d->presetCombo)})
    w->setWhatsThis(presetHelp);
  row->addWidget(d->presetLabel);
  row->addWidget(d->presetCombo);
  row->addWidget(createSeparatorLine());

  const QString shapeHelp =
      tr("<p><b>Set Image Size - Shape</b></p><p>Choose your preferred image shape: Landscape, "
         "Portrait, Square or Custom.</p><p>For Landscape, Portrait and Square the aspect ratio "
         "between the Height and Width is locked (see the chain icon between the two). For "
         "Custom the aspect ratio is unlocked.</p>") +
      helpTail();
  d->shapeLabel = new QLabel(tr("Shape:"));
  d->shapeLabel->setWhatsThis(shapeHelp);
  row->addWidget(d->shapeLabel);
  struct ButtonSpec {
    ToolPaletteButton** button;
    const char* icon;
    QString tip;
  };
  const ButtonSpec buttons[] = {
      {&d->landscapeButton, ":zarvo/aspect_landscape.png", tr("Landscape")},
      {&d->portraitButton, ":zarvo/aspect_portrait.png", tr("Portrait")},
      {&d->squareButton, ":zarvo/aspect_square.png", tr("Square")},
      {&d->customButton, ":zarvo/aspect_custom.png", tr("Custom")}};
  for (const ButtonSpec& spec : buttons) {
    auto* button = new ToolPaletteButton;
    button->setAutoRaise(true);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setIconSize(d->buttonIconSize);
    button->setIcon(compositionIcon(QLatin1String(spec.icon)));
    button->setToolTip(spec.tip);
    button->setWhatsThis(shapeHelp);
    *spec.button = button;
    row->addWidget(button);
  }
  // One button is checked at all times: every reading of the ratio relies on it.
  d->portraitButton->setChecked(true);
  row->addWidget(createSeparatorLine());

  auto makeSpin = [] {
    auto* spin = new QSpinBox;
    spin->setRange(kMinSide, kMaxSide);
    spin->setKeyboardTracking(false);
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    spin->setValue(400);
    return spin;
  };
  const QString widthHelp =
      tr("<p><b>Set Image Size - Width</b></p><p>Set the Width of the image (in pixels).</p>") +
      helpTail();
  const QString heightHelp =
      tr("<p><b>Set Image Size - Height</b></p><p>Set the Height of the image (in pixels).</p>") +
      helpTail();
  d->widthLabel = new QLabel(tr("Width:"));
  d->widthSpin = makeSpin();
  d->chainLabel = new QLabel;
  d->heightLabel = new QLabel(tr("Height:"));
  d->heightSpin = makeSpin();
  d->widthLabel->setWhatsThis(widthHelp);
  d->widthSpin->setWhatsThis(widthHelp);
  d->heightLabel->setWhatsThis(heightHelp);
  d->heightSpin->setWhatsThis(heightHelp);
  for (QWidget* w : {static_cast<QWidget*>(d->widthLabel), static_cast<QWidget*>(d->widthSpin),
                     static_cast<QWidget*>(d->chainLabel), static_cast<QWidget*>(d->heightLabel),
                     static_cast<QWidget*>(d->heightSpin)})
    row->addWidget(w);
  row->addStretch(1);

  // The preset is looked up by the combo's text, so the index signal serves.
  connect(d->presetCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
          &ImageSizeTool::webPresetsIndexChangedSlot);
  connect(d->widthSpin, qOverload<int>(&QSpinBox::valueChanged), this,
          &ImageSizeTool::webWidthChangedSlot);
  connect(d->heightSpin, qOverload<int>(&QSpinBox::valueChanged), this,
          &ImageSizeTool::webHeightChangedSlot);
  return page;
}

void ImageSizeTool::initialiseControls() {
  d->presetCombo->setCurrentIndex(0);
  setGuarded(d->widthSpin, 300);
  setGuarded(d->heightSpin, 400);
  d->chainLabel->setPixmap(d->chainSolid);
  outputIndexChangedSlot(0);
  QTimer::singleShot(0, this, &ImageSizeTool::init2);
}

void ImageSizeTool::outputIndexChangedSlot(int) {
  for (QWidget* w : {static_cast<QWidget*>(d->widthLabel), static_cast<QWidget*>(d->widthSpin),
                     static_cast<QWidget*>(d->chainLabel), static_cast<QWidget*>(d->heightLabel),
                     static_cast<QWidget*>(d->heightSpin), static_cast<QWidget*>(d->presetCombo)})
    w->setVisible(true);
  syncShapeButtons();
  shapeChangedSlot();
}

void ImageSizeTool::syncShapeButtons() {
  const auto preset = d->webPresets.find(d->presetCombo->currentText());
  const ShapeEntry* shape = preset != d->webPresets.end() ? preset->second.shape : nullptr;
  // Auto-exclusive buttons cannot all be unchecked one by one: lift the exclusivity meanwhile.
  for (auto& entry : d->shapes) {
    ToolPaletteButton* button = entry.second.button;
    button->setEnabled(true);
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
  (shape ? shape->button : d->portraitButton)->setChecked(true);
}

void ImageSizeTool::init2() {
  loadPresets();
  updateCanvasSize();
}

void ImageSizeTool::loadPresets() {
  for (const CanvasSizePreset& preset :
       loadCanvasSizes(kestrum::appFilePath(QStringLiteral("CanvasSizes.xml")))) {
    d->presetCombo->addItem(preset.name);
    d->webPresets[preset.name] = {&d->shapes.at(preset.shape), preset.maxEdge, preset.maxFS};
  }
  d->presetCombo->setCurrentIndex(0);
}

void ImageSizeTool::webPresetsIndexChangedSlot(int) {
  const auto found = d->webPresets.find(d->presetCombo->currentText());
  if (found == d->webPresets.end()) return;
  const WebPreset preset = found->second;
  if (preset.maxEdge > 0) {
    setGuarded(d->widthSpin, preset.maxEdge);
    setGuarded(d->heightSpin, preset.maxEdge);
  }
  if (preset.shape) {
    preset.shape->button->setChecked(true);
    shapeChangedSlot();
  }
  if (preset.maxFS > 0) applyMaxFileSize(preset.maxFS);
}

double ImageSizeTool::checkedRatio() const {
  for (const auto& entry : d->shapes)
    if (entry.second.button->isChecked()) return entry.second.ratio;
  return 0.0;
}

QString ImageSizeTool::checkedShape() const {
  for (const auto& entry : d->shapes)
    if (entry.second.button->isChecked()) return entry.first;
  return QString();
}

void ImageSizeTool::shapeChangedSlot() {
  const int longer = std::max(d->widthSpin->value(), d->heightSpin->value());
  const double ratio = checkedRatio();
  if (ratio > 0) {
    const bool wide = ratio > 1;
    setMaximumGuarded(d->heightSpin, wide ? int(kMaxSide / ratio) : kMaxSide);
    setMaximumGuarded(d->widthSpin, wide ? kMaxSide : int(kMaxSide * ratio));
    setGuarded(d->heightSpin, wide ? int(longer / ratio) : longer);
    setGuarded(d->widthSpin, wide ? longer : int(longer * ratio));
    d->chainLabel->setPixmap(d->chainSolid);
  } else {
    setMaximumGuarded(d->heightSpin, kMaxSide);
    setMaximumGuarded(d->widthSpin, kMaxSide);
    d->chainLabel->setPixmap(d->chainBroken);
  }
  updateCanvasSize();
}

void ImageSizeTool::webWidthChangedSlot(int width) {
  if (d->updating) return;
  const double ratio = checkedRatio();
  if (ratio > 0) setGuarded(d->heightSpin, int(width / ratio));
  sideEdited();
}

void ImageSizeTool::webHeightChangedSlot(int height) {
  if (d->updating) return;
  const double ratio = checkedRatio();
  if (ratio > 0) setGuarded(d->widthSpin, int(height * ratio));
  sideEdited();
}

void ImageSizeTool::sideEdited() {
  ZarvoObject::instance()->noteUserChange();
  const auto preset = d->webPresets.find(d->presetCombo->currentText());
  if (preset != d->webPresets.end() && preset->second.maxEdge > 0 &&
      std::max(d->widthSpin->value(), d->heightSpin->value()) != preset->second.maxEdge)
    d->presetCombo->setCurrentIndex(0);
  updateCanvasSize();
}

void ImageSizeTool::updateCanvasSize() {
  ZarvoObject* hub = ZarvoObject::instance();
  const QRect canvas = hub->canvasRect();
  if (canvas.right() < canvas.left() || canvas.bottom() < canvas.top()) {
    hub->setCanvasRect(QRect(0, 0, 400, 300));
    return;
  }
  hub->setCanvasRect(QRect(0, 0, d->widthSpin->value(), d->heightSpin->value()));
}

void ImageSizeTool::applyMaxFileSize(int kilobytes) {
  const QScopedValueRollback<bool> guard(d->updating, true);
  ZarvoObject::instance()->setMaxFileSize(kilobytes);
}

void ImageSizeTool::reset() {
  d->portraitButton->setChecked(true);
  setGuarded(d->widthSpin, 400);
  setGuarded(d->heightSpin, 300);
  shapeChangedSlot();
}

void ImageSizeTool::setGuarded(QSpinBox* spin, int value) {
  const QScopedValueRollback<bool> guard(d->updating, true);
  spin->setValue(value);
}

void ImageSizeTool::setMaximumGuarded(QSpinBox* spin, int maximum) {
  const QScopedValueRollback<bool> guard(d->updating, true);
  spin->setMaximum(maximum);
}

ImageView::ViewTabs ImageSizeTool::viewTabs() const {
  return ImageView::ComposePicture;
}

int ImageSizeTool::defaultViewTab() const {
  return ImageView::ComposePicture;
}

void ImageSizeTool::activate(GmTool*) {
  CutoutController::setEditingAndRefresh(true);
}

void ImageSizeTool::deactivate(GmTool*) {
  CutoutController::setEditingAndRefresh(false);
}

QComboBox* ImageSizeTool::presetCombo() const {
  return d->presetCombo;
}

ToolPaletteButton* ImageSizeTool::shapeButton(const QString& shape) const {
  const auto found = d->shapes.find(shape);
  return found != d->shapes.end() ? found->second.button : nullptr;
}

QSpinBox* ImageSizeTool::widthSpin() const {
  return d->widthSpin;
}

QSpinBox* ImageSizeTool::heightSpin() const {
  return d->heightSpin;
}

QLabel* ImageSizeTool::chainLabel() const {
  return d->chainLabel;
}
