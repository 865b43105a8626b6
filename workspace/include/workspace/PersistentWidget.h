#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QString>

// A standard control that takes its value from the settings store when built and, when asked
// to, writes it back when destroyed, under group + "/" + name with every blank and hyphen
// removed, which is also its object name. Built without a parent; the owner places it. A
// stored value that does not convert reads as 0, false or empty; sliders and spin boxes start
// with the range (v, v) and are clamped by the range their owner sets. Defined for QComboBox
// (QString), QSlider, QSpinBox (int), QRadioButton and QCheckBox (bool). GUI thread.
template <class W, class T>
class PersistentWidget : public W {
 public:
  PersistentWidget(const QString& group, const QString& name, const T& defaultValue,
                   bool saveOnDestruction);
  ~PersistentWidget() override;

  // The owner may change its mind until the control is destroyed.
  void setSaveOnDestruction(bool save) { save_ = save; }
  bool saveOnDestruction() const { return save_; }
  const QString& name() const { return name_; }
  const QString& key() const { return key_; }

  // The key for `group` and `name`.
  static QString keyFor(const QString& group, const QString& name);

 private:
  bool save_;
  QSettings settings_;
  QString name_;
  QString key_;
};

extern template class PersistentWidget<QComboBox, QString>;
extern template class PersistentWidget<QSlider, int>;
extern template class PersistentWidget<QSpinBox, int>;
extern template class PersistentWidget<QRadioButton, bool>;
extern template class PersistentWidget<QCheckBox, bool>;
