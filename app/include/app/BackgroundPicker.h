#pragma once

#include <QBrush>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>

class GmColor;

// Swatches of what shows behind a cut-out, cascading diagonally from the top left, each
// overlapping the one before by half; the first is the active one and lies on top. A click on a
// swatch asks for a new colour of the active one; a double click, or a click in the free right
// half, brings the last swatch to the front. A single click is told apart from the first click
// of a double click by the platform's double-click interval. GUI thread.
class BackgroundPicker : public QWidget {
  Q_OBJECT

 public:
  explicit BackgroundPicker(QWidget* parent = nullptr);

  // Takes ownership of `colour`; `texture` (may be null) is laid over it.
  void addSwatch(GmColor* colour, const QPixmap& texture = QPixmap());
  int swatchCount() const { return swatches_.size(); }
  GmColor* swatchColour(int i) const { return swatches_.at(i).colour; }
  // Swatch i's colour as a solid brush, or with its texture; solid white for no such swatch.
  QBrush brush(int i) const;
  // Where swatch i lies in the widget.
  QRect swatchRect(int i) const;

  QSize sizeHint() const override { return QSize(60, 60); }

 signals:
  void activeBrushChanged();

 public slots:
  // Inside a swatch: the active swatch's colour dialog. Outside every swatch, in the right half
  // and above the bottom edge: the last swatch to the front. Either way then a repaint and
  // activeBrushChanged.
  void singleClickEvent(const QMouseEvent* event);
  // The last swatch to the front, a repaint and activeBrushChanged.
  void doubleClickEvent(const QMouseEvent* event);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  struct Swatch {
    GmColor* colour;
    QPixmap texture;
  };
  void rotateLastToFront();
  void deliverSingleClick();

  QList<Swatch> swatches_;
  // A press waits here until the double-click interval has passed without a second one.
  QTimer singleClick_;
  QPoint pressPosition_;
};
