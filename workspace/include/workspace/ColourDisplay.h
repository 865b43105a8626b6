#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include "Corvane.h"
#include "kestrum/qt/ColourSpace.h"

// The colour workspace's view of colour space: a strip of the 256 values of one channel (1-D),
// or a plane of the 256 × 256 pairs of two channels of one colour model (2-D: the horizontal
// channel across, the vertical one up, the third channel at its middle). It holds the selection
// the user builds by picking colours on the photo, in buckets of 2^(8 - colour bits) values,
// and emits it with the statuses viewed, for the status array to highlight the matching pixels.
// It marks the values that occur among the working pixels whose status is viewed (inside the
// active patch when there is one); the count is taken again at the next paint after the photo,
// the statuses, the patch or the statuses viewed changed. GUI thread.
class ColourDisplay : public QWidget {
  Q_OBJECT

 public:
  enum Mode { OneChannel = 0, TwoChannels = 1 };
  // The pick state while colours are picked on the photo; a pick leaves it there.
  static constexpr int kPickingFromImage = 4;

  explicit ColourDisplay(QWidget* parent = nullptr);

  kestrum::colour::channel horizontalChannel() const { return horizontal_; }
  kestrum::colour::channel verticalChannel() const { return vertical_; }
  // The caller keeps the two in one colour model and clears the selection.
  void setChannels(kestrum::colour::channel horizontal, kestrum::colour::channel vertical);
  int mode() const { return mode_; }
  // The caller clears the selection. Mouse tracking is on only in 2-D while picking from the
  // photo.
  void setMode(int mode);
  int colourBits() const { return 8 - shift_; }
  // 1..8 (clamped): the selection is quantised to the buckets of the new precision (each value
  // takes the state of its bucket's first value), emitted, and the values are counted again.
  void setColourBits(int bits);
  // The statuses viewed, a set of the bits 1, 2, 4 and 8 sent with every highlight. Counted
  // again, and the selection is emitted again even when it is unchanged.
  CvPixelStatus statusMask() const { return statusMask_; }
  void setStatusMask(int mask);
  int pickState() const { return pickState_; }
  void setPickState(int state);
  Qt::KeyboardModifiers pickModifiers() const { return modifiers_; }

  // 256 entries, one for each value of the horizontal channel (1-D).
  const std::vector<bool>& selection() const { return selection1D_; }
  // 256 × 256, Format_Mono: index 1 at (horizontal value, vertical value) when selected (2-D).
  const QImage& selectionPlane() const { return selection2D_; }
  // Whether the selection last emitted was empty (true until something is selected).
  bool isHighlightEmpty() const { return highlightEmpty_; }

  // The working image the values are counted over (shared, not copied); null for none.
  void setColourImage(const QImage& image);
  // What the count reads changed: the next paint counts again.
  void wantRecount();
  bool recountWanted() const { return recountWanted_; }
  // Whether a value (1-D) or the pair (x, y) (2-D) occurs, as of the last count.
  bool occurs(int x, int y = 0) const;

  // The channel the other axis takes when `chosen` becomes an axis: `other` when the two are
  // different channels of one model, else the default partner (lightness for hue, hue for
  // lightness and saturation, green for red, red for green and blue).
  static kestrum::colour::channel partnerFor(kestrum::colour::channel chosen,
                                             kestrum::colour::channel other);
  // The colour that shows `value` of a channel on its own (hue at full saturation, lightness in
  // grey, saturation of red, each primary alone), and the one that shows a pair of a plane.
  static QRgb valueColour(kestrum::colour::channel which, int value);
  static QRgb pairColour(kestrum::colour::channel horizontal, int x,
                         kestrum::colour::channel vertical, int y);
  // "Hue", "Lightness", "Saturation", "Red", "Green", "Blue".
  static QString channelName(kestrum::colour::channel which);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // Where the strip or the plane is drawn, in widget pixels.
  QRect colourArea() const;

 signals:
  // A drag on the display began.
  void paintMode();
  // A press and release on the display without a drag.
  void clickInColourDisplay();
  void highlightChanged(std::vector<bool> selection, kestrum::colour::channel channel,
                        CvPixelStatus s);
  void highlightChanged(QImage plane, kestrum::colour::channel horizontal,
                        kestrum::colour::channel vertical, CvPixelStatus s);
  void unHighlit();

 public slots:
  // Adds the bucket of `colour` (a pixel of the photo): with Shift to the selection, with Alt
  // taken from it, otherwise in place of it.
  void colourPicked(QColor colour, Qt::KeyboardModifiers modifiers);
  // Clears the selection and emits unHighlit, then the empty selection (always).
  void unHighlight();
  // The statuses changed: counted again unless every status is viewed.
  void statusArrayChanged();
  void highlightColourChanged(QColor colour);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Emits the selection with the stroke added (removed under Alt alone), unless it equals the
  // last one emitted and no emission is forced.
  void emitHighlight();
  void commitStroke();
  bool removing() const { return modifiers_ == Qt::AltModifier; }
  void recount();
  // The strip or plane in its colours, the values that do not occur dimmed; cached.
  const QImage& backdrop();
  QColor markColour() const;

  kestrum::colour::channel horizontal_ = kestrum::colour::Hue;
  kestrum::colour::channel vertical_ = kestrum::colour::Lightness;
  int shift_ = 0;
  CvPixelStatus statusMask_ = CvStatusClassMask;
  int mode_ = TwoChannels;
  int pickState_ = kPickingFromImage;
  Qt::KeyboardModifiers modifiers_ = Qt::NoModifier;
  std::vector<bool> stroke1D_;
  std::vector<bool> selection1D_;
  QImage stroke2D_;
  QImage selection2D_;
  std::vector<bool> lastEmitted1D_;
  QImage lastEmitted2D_;
  bool recountWanted_ = true;
  bool highlightEmpty_ = true;
  bool forceEmission_ = false;

  QImage colourImage_;
  // One byte a value (256) or a pair (256 × 256, row = vertical value): 1 where it occurs.
  std::vector<uint8_t> present_;
  QImage backdrop_;
  bool backdropDirty_ = true;
  QColor highlightColour_;
  bool pressed_ = false;
  bool dragged_ = false;
};
