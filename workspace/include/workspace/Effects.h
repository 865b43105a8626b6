#pragma once

#include <QImage>
#include <QObject>
#include <QRectF>

class EffectImage;

// What the composition's effects (shadow, highlights, sharpening) work on: the input image
// trimmed to its visible pixels, and the area an effect may cover, the trimmed rectangle grown
// by the effect's margin. GUI thread.
class Effects : public QObject {
  Q_OBJECT

 public:
  explicit Effects(QObject* parent = nullptr);

  // Owned; never null.
  EffectImage* effectImage() const { return effectImage_; }
  // Input image coordinates; empty while the input has no visible pixel.
  const QRectF& bounds() const { return bounds_; }
  // Pixels an effect may reach beyond the image; 0 until set. Takes effect at the next input.
  int margin() const { return margin_; }
  void setMargin(int margin) { margin_ = margin; }

 public slots:
  // The effect image takes the input trimmed to its visible pixels and reports imageChanged
  // twice, the bounds already in place.
  void setInputImage(QImage im);

 private:
  EffectImage* effectImage_;
  QRectF bounds_;
  int margin_ = 0;
};
