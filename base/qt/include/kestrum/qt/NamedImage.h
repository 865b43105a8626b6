#pragma once

#include <QImage>
#include <QMetaType>
#include <QSize>
#include <QString>
#include <QUrl>

// A picture with the address it came from (empty for one that arrived as image data), and the
// size it came at when it was reduced on receipt. Copied and passed by value, also in queued
// signals.
class NamedImage : public QImage {
 public:
  NamedImage() = default;
  NamedImage(const QImage& image, const QUrl& url, const QSize& fullSize = QSize())
      : QImage(image), url_(url), fullSize_(fullSize) {}

  const QUrl& url() const { return url_; }
  // The file name of the address's path; empty without an address.
  virtual QString name() const;
  // The size before any reduction: the one given, else the picture's own.
  QSize fullSize() const { return fullSize_.isValid() ? fullSize_ : size(); }

 private:
  QUrl url_;
  QSize fullSize_;
};

Q_DECLARE_METATYPE(NamedImage)
