#pragma once

#include <QImage>
#include <QMetaType>
#include <QString>
#include <QUrl>

// A picture with the address it came from (empty for one that arrived as image data). Copied
// and passed by value, also in queued signals.
class NamedImage : public QImage {
 public:
  NamedImage() = default;
  NamedImage(const QImage& image, const QUrl& url) : QImage(image), url_(url) {}

  const QUrl& url() const { return url_; }
  // The file name of the address's path; empty without an address.
  virtual QString name() const;

 private:
  QUrl url_;
};

Q_DECLARE_METATYPE(NamedImage)
