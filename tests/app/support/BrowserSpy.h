#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>

// Takes the browser's part while it lives: records the addresses opened through
// QDesktopServices (http, https and file).
class BrowserSpy : public QObject {
  Q_OBJECT

 public:
  BrowserSpy();
  ~BrowserSpy() override;

  QStringList opened;

 public slots:
  void openUrl(const QUrl& url);
};
