#pragma once

#include <QImage>
#include <QObject>

// The input of the composition's effects: a cut-out trimmed to its visible pixels, whose
// offset is the trimmed area's place in the untrimmed image. GUI thread.
class EffectImage : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  const QImage& image() const { return image_; }
  // Takes `image` and reports imageChanged.
  void setImage(const QImage& image);

 signals:
  void imageChanged();

 private:
  QImage image_;
};
