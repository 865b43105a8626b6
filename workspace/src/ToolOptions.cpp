#include "workspace/ToolOptions.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>

#include "workspace/GmTool.h"

namespace {

struct BrushState {
  QPointer<QSpinBox> sizeBox;
  QPointer<QSlider> sizeSlider;
  bool tabletStroke = false;
  double pressureFactor = 1.0;
};

BrushState& brush() {
  static BrushState state;
  return state;
}

}  // namespace

ToolOptions::ToolOptions(QWidget* parent)
    : QWidget(parent),
      iconLabel_(new QLabel(this)),
      titleLabel_(new QLabel(this)),
      secondLabel_(new QLabel(this)),
      stack_(new QStackedWidget(this)) {
  setObjectName(QStringLiteral("ToolOptions"));
  titleLabel_->hide();
  secondLabel_->hide();
  stack_->setObjectName(QStringLiteral("ToolOptionsStackedWidget"));
  auto* layout = new QHBoxLayout(this);
  layout->setObjectName(QStringLiteral("ToolOptionsLayout"));
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(iconLabel_);
  layout->addWidget(titleLabel_);
  layout->addWidget(secondLabel_);
  layout->addSpacing(8);
  layout->addWidget(stack_);
  setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
}

void ToolOptions::showTool(GmTool* tool) {
  if (!tool) return;
  QWidget* page = tool->optionPage();
  if (page) page->setObjectName(QStringLiteral("ToolOptionsWidget"));
  const QIcon icon = tool->action() ? tool->action()->icon() : QIcon();
  iconLabel_->setPixmap(icon.isNull() ? QPixmap()
                                      : icon.pixmap(iconSize_, QIcon::Normal, QIcon::Off));
  titleLabel_->setVisible(icon.isNull());
  secondLabel_->setVisible(icon.isNull());
  if (icon.isNull()) titleLabel_->setText(tool->text());
  if (page) {
    if (stack_->indexOf(page) < 0) stack_->addWidget(page);
    stack_->setCurrentWidget(page);
  }
  setWindowTitle(tool->text());
}

void ToolOptions::setBrushSizeBox(QSpinBox* box) {
  brush().sizeBox = box;
}

QSpinBox* ToolOptions::brushSizeBox() {
  return brush().sizeBox;
}

void ToolOptions::setBrushSizeSlider(QSlider* slider) {
  brush().sizeSlider = slider;
}

bool ToolOptions::brushSizeSliderDown() {
  const QSlider* slider = brush().sizeSlider;
  return slider && slider->isSliderDown();
}

void ToolOptions::setTabletStroke(bool on) {
  brush().tabletStroke = on;
}

bool ToolOptions::tabletStroke() {
  return brush().tabletStroke;
}

void ToolOptions::setPressureFactor(double factor) {
  brush().pressureFactor = factor;
}

double ToolOptions::pressureFactor() {
  return brush().pressureFactor;
}

int ToolOptions::brushSize() {
  const BrushState& state = brush();
  if (!state.sizeBox) return 10;
  const int size = state.sizeBox->value();
  if (!state.tabletStroke) return size;
  const double scaled = std::ceil(size * state.pressureFactor);
  return std::max(1, std::isfinite(scaled) ? int(std::min(scaled, 1e6)) : 1);
}
