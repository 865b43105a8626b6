#pragma once

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

class QGridLayout;
class QLabel;
class QSlider;
class QSpinBox;

// Named integer parameters, each a label, a slider and a spin box kept in step, laid out in a
// grid; other code reads and sets a parameter by its name. Each spin box remembers its value in
// the settings under the stack's group and the parameter's name. GUI thread only.
class ParameterStack : public QWidget {
  Q_OBJECT

 public:
  enum Mode { SideBySide = 1, Vertical = 2 };
  enum Flag {
    HideSpinBox = 1,
    WideSeparator = 2,  // the separator spans two cells; rowWidgets gives slider and spin box
    LabelAbove = 4,     // the label on a row of its own above the slider
    LabelBetween = 8,   // the label between slider and spin box
    LabelBelow = 16,    // the label on the next grid row
    NoSeparator = 32,
    SeparatorPlain = 64,
    SeparatorRaised = 128,
    SeparatorSunken = 256
  };

  // `mode` 2 stacks parameters vertically, any other value places them side by side.
  ParameterStack(int mode, int flags, QWidget* parent = nullptr);

  // Set before rows are added; the key of a row is group + "/" + name without blanks or hyphens.
  void setSettingsGroup(const QString& group) { group_ = group; }
  const QString& settingsGroup() const { return group_; }

  // False, changing nothing, when `name` exists. Otherwise builds the row (the spin box starts
  // at the remembered value, else `initial`) and connects the spin box's valueChanged(int) to
  // `receiver`'s `member` (a SLOT()) when both are given.
  bool addParameter(const QString& name, const QString& label, int minimum, int maximum,
                    int initial, const QString& suffix, const QObject* receiver = nullptr,
                    const char* member = nullptr);
  // False, leaving `out` untouched, for an unknown name or a row without spin box.
  bool value(const QString& name, int* out) const;
  // False for an unknown name; else the spin box (and so the slider) takes `value`.
  bool setValue(const QString& name, int value);
  // Both texts on every widget rowWidgets names; false for an unknown name.
  bool setToolTips(const QString& name, const QString& toolTip, const QString& whatsThis);
  // The grid item indices of the row's placed widgets, counted from the spin box's index p:
  // p - 1 and p with flag 2; else p - 2, p - 1, p with flag 4 or 8; else p - 1, p, p + 1 with
  // flag 16; else none. False for an unknown name.
  bool rowWidgets(const QString& name, QList<int>* out) const;

  QGridLayout* gridLayout() const { return grid_; }

 private:
  struct Row {
    QPointer<QLabel> label;
    QPointer<QSlider> slider;
    QPointer<QSpinBox> spinBox;
  };

  void addSeparator();

  QString group_;
  int mode_;
  int flags_;
  QGridLayout* grid_;
  // Where the next widget goes; in side-by-side mode every row starts on bandTop_.
  int row_ = 0;
  int column_ = 0;
  int bandTop_ = 0;
  QMap<QString, Row> rows_;
};
