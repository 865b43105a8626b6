#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QBoxLayout;
class QSlider;
class QToolButton;

// A horizontal slider with optional nudge buttons on either side. While something is
// connected to a nudge request, the buttons only ask; otherwise they step the slider by its
// single step. GUI thread.
class Slider : public QWidget {
  Q_OBJECT

 public:
  explicit Slider(QWidget* parent = nullptr);

  // For range, value and signals.
  QSlider* slider() const { return slider_; }
  // Replaces any buttons by a down button left and an up button right, both repeating while
  // held.
  void setNudgeButtons(const QPixmap& down, const QPixmap& up);
  // Each text goes to its control when it exists.
  void setToolTips(const QString& slider, const QString& down, const QString& up);
  // Null without buttons.
  QToolButton* downButton() const;
  QToolButton* upButton() const;

 signals:
  void requestNudgeUp();
  void requestNudgeDown();

 private slots:
  void nudgeUp();
  void nudgeDown();

 private:
  QToolButton* buttonAt(int index) const;

  QSlider* slider_;
  QBoxLayout* layout_;
};
