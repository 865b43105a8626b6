#include "workspace/PersistentWidget.h"

#include <QRegularExpression>
#include <QVariant>

#include "document/DocumentKeys.h"

namespace {

// Strictly: a stored text that is no number reads as 0, not as whatever its digits start.
int toInt(const QVariant& value) {
  bool ok = false;
  const int converted = value.toInt(&ok);
  return ok ? converted : 0;
}

bool toBool(const QVariant& value) {
  if (value.type() == QVariant::Bool) return value.toBool();
  const QString text = value.toString().trimmed().toLower();
  if (text == QLatin1String("true")) return true;
  bool ok = false;
  const int number = text.toInt(&ok);
  return ok && number != 0;
}

void show(QComboBox* box, const QVariant& stored) {
  const QString text = stored.toString();  // empty for what does not convert
  box->addItem(text);
  box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}
void show(QSlider* slider, const QVariant& stored) {
  const int value = toInt(stored);
  slider->setRange(value, value);
  slider->setValue(value);
}
void show(QSpinBox* box, const QVariant& stored) {
  const int value = toInt(stored);
  box->setRange(value, value);
  box->setValue(value);
}
void show(QAbstractButton* button, const QVariant& stored) {
  button->setChecked(toBool(stored));
}

QVariant valueOf(const QComboBox* box) {
  return box->currentText();
}
QVariant valueOf(const QSlider* slider) {
  return slider->value();
}
QVariant valueOf(const QSpinBox* box) {
  return box->value();
}
QVariant valueOf(const QAbstractButton* button) {
  return button->isChecked();
}

}  // namespace

template <class W, class T>
QString PersistentWidget<W, T>::keyFor(const QString& group, const QString& name) {
  static const QRegularExpression blanksAndHyphens(QStringLiteral("[ -]"));
  QString key = group + QLatin1Char('/') + name;
  return key.remove(blanksAndHyphens);
}

template <class W, class T>
PersistentWidget<W, T>::PersistentWidget(const QString& group, const QString& name,
                                         const T& defaultValue, bool saveOnDestruction)
    : W(nullptr),
      save_(saveOnDestruction),
      settings_(settingsKeys::organisation, settingsKeys::application),
      name_(name),
      key_(keyFor(group, name)) {
  show(this, settings_.value(key_, QVariant::fromValue(defaultValue)));
  this->setObjectName(key_);
}

template <class W, class T>
PersistentWidget<W, T>::~PersistentWidget() {
  if (save_) settings_.setValue(key_, valueOf(this));
}

template class PersistentWidget<QComboBox, QString>;
template class PersistentWidget<QSlider, int>;
template class PersistentWidget<QSpinBox, int>;
template class PersistentWidget<QRadioButton, bool>;
template class PersistentWidget<QCheckBox, bool>;
