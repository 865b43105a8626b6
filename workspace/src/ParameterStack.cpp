#include "workspace/ParameterStack.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

#include "workspace/PersistentWidget.h"

ParameterStack::ParameterStack(int mode, int flags, QWidget* parent)
    : QWidget(parent), mode_(mode), flags_(flags), grid_(new QGridLayout(this)) {
  grid_->setContentsMargins(0, 0, 0, 0);
}

void ParameterStack::addSeparator() {
  auto* line = new QFrame(this);
  const bool vertical = mode_ == Vertical;
  line->setFrameShape(vertical ? QFrame::HLine : QFrame::VLine);
  if (flags_ & SeparatorPlain)
    line->setFrameShadow(QFrame::Plain);
  else if (flags_ & SeparatorRaised)
    line->setFrameShadow(QFrame::Raised);
  else if (flags_ & SeparatorSunken)
    line->setFrameShadow(QFrame::Sunken);
  const bool wide = flags_ & (WideSeparator | LabelAbove | LabelBelow);
  if (vertical) {
    grid_->addWidget(line, row_, column_, 1, wide ? 2 : 3);
    ++row_;
  } else {
    grid_->addWidget(line, row_, column_, wide ? 2 : 1, 1);
    ++column_;
  }
}

bool ParameterStack::addParameter(const QString& name, const QString& label, int minimum,
                                  int maximum, int initial, const QString& suffix,
                                  const QObject* receiver, const char* member) {
  if (rows_.contains(name)) return false;
  Row row;
  // Parented here even when no flag places it, so it is freed with the stack.
  row.label = new QLabel(label, this);
  auto* spinBox = new PersistentWidget<QSpinBox, int>(group_, name, initial, true);
  spinBox->setRange(minimum, maximum);
  spinBox->setSuffix(suffix);
  row.spinBox = spinBox;
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setRange(minimum, maximum);
  slider->setValue(spinBox->value());
  row.slider = slider;
  connect(spinBox, QOverload<int>::of(&QSpinBox::valueChanged), slider, &QSlider::setValue);
  connect(slider, &QSlider::valueChanged, spinBox, &QSpinBox::setValue);

  if (!(flags_ & NoSeparator) && !rows_.isEmpty()) addSeparator();
  const bool vertical = mode_ == Vertical;
  const int top = row_;
  bool placed = false;
  if (flags_ & LabelAbove) {
    grid_->addWidget(row.label, row_, column_, 1, 2);
    grid_->setColumnStretch(column_, 1);
    ++row_;
    placed = true;
  }
  const int sliderColumn = column_;
  grid_->addWidget(slider, row_, column_);
  grid_->setColumnMinimumWidth(column_, slider->minimumSizeHint().width() + 50);
  ++column_;
  if ((flags_ & LabelBetween) && !placed) {
    grid_->addWidget(row.label, row_, column_);
    grid_->setColumnStretch(column_, 1);
    ++column_;
    placed = true;
  }
  grid_->addWidget(spinBox, row_, column_);
  spinBox->setVisible(!(flags_ & HideSpinBox));
  int bottom = row_;
  if ((flags_ & LabelBelow) && !placed) {
    grid_->addWidget(row.label, row_ + 1, sliderColumn, 1, 2);
    grid_->setColumnStretch(sliderColumn, 1);
    bottom = row_ + 1;
    placed = true;
  }
  if (!placed) row.label->hide();

  // Vertical: the next row below everything placed. Side by side: the next row starts to the
  // right, on the same band of grid rows (a tidier grid than a diagonal one).
  if (vertical) {
    row_ = bottom + 1;
    column_ = 0;
  } else {
    row_ = top;
    ++column_;
  }
  rows_.insert(name, row);
  if (receiver && member) connect(spinBox, SIGNAL(valueChanged(int)), receiver, member);
  return true;
}

bool ParameterStack::value(const QString& name, int* out) const {
  const auto it = rows_.constFind(name);
  if (it == rows_.constEnd() || !it->spinBox) return false;
  *out = it->spinBox->value();
  return true;
}

bool ParameterStack::setValue(const QString& name, int value) {
  const auto it = rows_.constFind(name);
  if (it == rows_.constEnd()) return false;
  if (it->spinBox) it->spinBox->setValue(value);
  return true;
}

bool ParameterStack::setToolTips(const QString& name, const QString& toolTip,
                                 const QString& whatsThis) {
  QList<int> positions;
  if (!rowWidgets(name, &positions)) return false;
  for (const int position : positions) {
    QLayoutItem* item = grid_->itemAt(position);
    if (QWidget* widget = item ? item->widget() : nullptr) {
      widget->setToolTip(toolTip);
      widget->setWhatsThis(whatsThis);
    }
  }
  return true;
}

bool ParameterStack::rowWidgets(const QString& name, QList<int>* out) const {
  const auto it = rows_.constFind(name);
  if (it == rows_.constEnd()) return false;
  out->clear();
  const int p = it->spinBox ? grid_->indexOf(it->spinBox.data()) : -1;
  if (p < 0) return true;
  if (flags_ & WideSeparator)
    *out << p - 1 << p;
  else if (flags_ & (LabelAbove | LabelBetween))
    *out << p - 2 << p - 1 << p;
  else if (flags_ & LabelBelow)
    *out << p - 1 << p << p + 1;
  return true;
}
