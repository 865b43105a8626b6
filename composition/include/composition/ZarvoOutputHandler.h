#pragma once

#include <QList>
#include <QObject>
#include <QString>

// The chosen output file type: 0 "JPG", 1 "PNG", 2 "PDF". One per process, the hub's companion:
// created on first use (creating the hub too) and destroyed with it. GUI thread only.
class ZarvoOutputHandler : public QObject {
  Q_OBJECT

 public:
  enum FileType { Jpg = 0, Png = 1, Pdf = 2 };

  static ZarvoOutputHandler* instance();
  static void destroyInstance();

  const QList<QString>& typeNames() const { return typeNames_; }
  int fileType() const { return fileType_; }

 signals:
  void fileTypeChanged();

 public slots:
  // A type outside 0 .. 2 is refused (logged).
  void fileTypeChoosen(int ft);

 private:
  ZarvoOutputHandler();

  QList<QString> typeNames_;
  int fileType_ = Jpg;
};
