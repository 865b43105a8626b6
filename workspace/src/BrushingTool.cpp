#include "workspace/BrushingTool.h"

#include <algorithm>
#include <cmath>

#include <QHBoxLayout>
#include <QLabel>
#include <QList>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include "document/Brushing.h"
#include "document/GmBrushing.h"
#include "document/GmModel.h"
#include "workspace/ParameterStack.h"
#include "workspace/PersistentWidget.h"
#include "workspace/ToolOptions.h"
#include "workspace/WidgetFunctions.h"

namespace {

const QString commonGroup = QStringLiteral("/Common");
const QString strengthRow = QStringLiteral("Strength");

// What every brush shares. The page is parented by the options panel once shown; the guarded
// pointers forget what the panel deleted.
struct SharedBrushPage {
  QPointer<QWidget> page;
  QPointer<QSlider> slider;
  QPointer<ParameterStack> stack;
  QList<BrushingTool*> brushes;  // live brushes, oldest first
};

SharedBrushPage& shared() {
  static SharedBrushPage state;
  return state;
}

QSpinBox* sizeBox() {
  return ToolOptions::brushSizeBox();
}

}  // namespace

BrushingTool::BrushingTool(const QString& name, const QString& text, const QIcon& icon,
                           const QString& shortcut, const QString& help, QActionGroup* group,
                           QWidget* container, QWidget* menuOrBar, ToolOptions* options)
    : GmTool(name, text, icon, shortcut, help, group, container, menuOrBar, options),
      sizeLabel_(tr("Brush Size", "[qor, zarvo]")),
      strengthLabel_(tr("Brush Strength", "[zarvo]")) {
  shared().brushes.append(this);
  connect(this, &BrushingTool::brushSizeSliderMoved, GmModel::instance(),
          &GmModel::brushSizeSliderMoved);
}

BrushingTool::~BrushingTool() {
  SharedBrushPage& state = shared();
  state.brushes.removeOne(this);
  if (state.brushes.isEmpty() && state.page) delete state.page.data();
}

QWidget* BrushingTool::optionsPage() {
  SharedBrushPage& state = shared();
  if (state.page) return state.page;

  auto* page = new QWidget;
  state.page = page;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* stack = new ParameterStack(ParameterStack::SideBySide,
                                   ParameterStack::LabelBetween | ParameterStack::SeparatorSunken);
  stack->setSettingsGroup(commonGroup);
  state.stack = stack;

  auto* sizeWidget = new QWidget(page);
  sizeWidget->setObjectName(QStringLiteral("BrushSizeWidget"));
  sizeWidget->setToolTip(
      tr("Alter the size of the brush %1", "[qor]%1 - shortcuts").arg(QStringLiteral("( [, ] )")));
  sizeWidget->setWhatsThis(
      tr("<p><b>Brush Size</b> ( [ ] )</p><p>To change a brush size drag the <b>Size</b> slider "
         "or enter a value. While you drag the slider, the brush is shown at the centre of the "
         "image.</p><p>With a tablet, the pressure of the pen determines the size of the brush "
         "up to the size set here.</p>",
         "[tip]") +
      learnMoreTip(QStringLiteral("deleting_backgrounds/brush_options.htm")));
  auto* sizeLayout = new QHBoxLayout(sizeWidget);
  sizeLayout->setObjectName(QStringLiteral("BrushSizeLayout"));
  sizeLayout->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(sizeLabel_, sizeWidget);
  label->setObjectName(QStringLiteral("BrushSizeLabel"));
  auto* slider = new QSlider(Qt::Horizontal, sizeWidget);
  slider->setObjectName(QStringLiteral("BrushSizeSlider"));
  state.slider = slider;
  auto* box = new PersistentWidget<QSpinBox, int>(commonGroup, QStringLiteral("Size"), 10, true);
  box->setSuffix(tr("px", "[all]abbrev: pixels"));
  sizeLayout->addWidget(label);
  sizeLayout->addWidget(slider);
  sizeLayout->addWidget(box);
  ToolOptions::setBrushSizeBox(box);
  ToolOptions::setBrushSizeSlider(slider);

  // The slider shows the outline at the image centre while it is held; the release repaints
  // the image and takes the outline back to the pointer (or hides it). The document may be
  // replaced while the page lives.
  connect(slider, &QSlider::sliderPressed, page,
          [] { emit GmModel::instance()->brushSizeSliderMoved(); });
  connect(slider, &QSlider::sliderReleased, page, [] {
    GmModel::instance()->signalDirtyImageSlot();
    emit GmModel::instance()->cursorChanged(nullptr);
  });
  box->setRange(1, 400);
  slider->setRange(0, 100);
  syncBrushSizeToSlider(box->value());
  // Any live brush serves: the page outlives the brush that built it. A size typed into the
  // box redraws the outline as a size key does.
  connect(box, QOverload<int>::of(&QSpinBox::valueChanged), page, [](int size) {
    if (!shared().brushes.isEmpty()) shared().brushes.first()->syncBrushSizeToSlider(size);
    emit GmModel::instance()->cursorChanged(nullptr);
  });
  connect(slider, &QSlider::valueChanged, page, [](int position) {
    if (!shared().brushes.isEmpty()) shared().brushes.first()->syncBrushSizeFromSlider(position);
  });

  stack->addParameter(strengthRow, strengthLabel_, 0, 7, 0, QString(), this,
                      SLOT(strengthChangedSlot(int)));
  stack->setToolTips(
      strengthRow, tr("Determines how far your mask selections will grow"),
      tr("<p><b>Brush Strength</b></p><p>Determines how far your brush strokes will "
         "&lsquo;grow&rsquo;.</p><p>At a strength above zero a stroke may flood-fill into "
         "neighbouring objects of a similar colour.</p>",
         "[tip]") +
          learnMoreTip(QStringLiteral("deleting_backgrounds/brush_options.htm")));
  layout->addWidget(sizeWidget);
  layout->addWidget(stack);
  stack->layout()->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  return page;
}

void BrushingTool::setStrengthEnabled(bool enabled) {
  ParameterStack* stack = parameterStack();
  QList<int> positions;
  if (!stack || !stack->rowWidgets(strengthRow, &positions)) return;
  for (const int position : positions) {
    QLayoutItem* item = stack->gridLayout()->itemAt(position);
    if (QWidget* widget = item ? item->widget() : nullptr) widget->setEnabled(enabled);
  }
}

// ---- Size and strength

int BrushingTool::brushSize() {
  return ToolOptions::brushSize();
}

void BrushingTool::setBrushSize(int size) {
  if (QSpinBox* box = sizeBox()) box->setValue(size);
  emit GmModel::instance()->cursorChanged(nullptr);
}

int BrushingTool::brushStrength() {
  int strength = 0;
  if (ParameterStack* stack = parameterStack()) stack->value(strengthRow, &strength);
  return strength;
}

ParameterStack* BrushingTool::parameterStack() {
  return shared().stack;
}

void BrushingTool::increaseBrushSizeSlot() {
  setBrushSize(int((brushSize() + 1) * 1.03 + 0.5));
}

void BrushingTool::decreaseBrushSizeSlot() {
  setBrushSize(int(brushSize() * 0.970873786407767 + 0.5 - 1.0));
}

void BrushingTool::syncBrushSizeToSlider(int size) {
  QSlider* slider = shared().slider;
  if (!slider) return;
  const QSignalBlocker blocker(slider);
  const float fraction = float(std::max(size, 1) - 1) / 399.0f;
  slider->setValue(int(100.0f * std::sqrt(fraction)));
}

void BrushingTool::syncBrushSizeFromSlider(int slider) {
  if (QSpinBox* box = sizeBox()) {
    const QSignalBlocker blocker(box);
    const float fraction = float(slider) * 0.01f;
    box->setValue(1 + int(399.0f * (fraction * fraction)));
  }
  emit brushSizeSliderMoved();
}

void BrushingTool::strengthChangedSlot(int) {}

// ---- Strokes

QCursor BrushingTool::cursor() const {
  return QCursor(Qt::BlankCursor);
}

void BrushingTool::mousePressEvent(QMouseEvent* event, const QPointF& point) {
  if (event->button() != Qt::LeftButton) return;
  straightLine_ = false;
  if (Brushing* shape = strokeStarting(point)) shape->beginStroke(point);
}

void BrushingTool::mouseMoveEvent(QMouseEvent* event, const QPointF& point) {
  if (!(event->buttons() & Qt::LeftButton) || !stroke_) return;
  // Moving again without Shift draws the segment from the last stroke point: the straight line.
  straightLine_ = event->modifiers() & Qt::ShiftModifier;
  if (straightLine_)
    stroke_->brushing().movePreviewLineEnd(point);
  else
    stroke_->brushing().continueStroke(point);
}

void BrushingTool::mouseReleaseEvent(QMouseEvent* event, const QPointF& point) {
  if (event->button() != Qt::LeftButton) return;
  if (stroke_) {
    stroke_->brushing().continueStroke(point);
    strokeFinished();
  }
  ToolOptions::setTabletStroke(false);
}

void BrushingTool::mouseDoubleClickEvent(QMouseEvent* event, const QPointF& point) {
  mousePressEvent(event, point);
}

void BrushingTool::escapePressed() {
  if (!stroke_) {
    GmTool::escapePressed();
    return;
  }
  stroke_->brushing().clear();
  strokeFinished();
  clearGesture();
}

void BrushingTool::activate(GmTool*) {
  setStrengthEnabled(usesStrength());
  clearGesture();
}

void BrushingTool::deactivate(GmTool*) {
  stroke_.reset();
  clearGesture();
}
