#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Takes the place of the desktop's URL handler in tests (QDesktopServices::setUrlHandler with
// the slot "open"), so no browser starts; records what was to be opened.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url);
};
