#pragma once

#include <QList>
#include <QObject>

class ZarvoItem;

// The dustbin: composition items taken off the scene, owned by the list until it is emptied,
// and the object that reports its size after every change. Nothing in this system puts items
// in it yet. The signaller is created on first use and destroyed by destroyInstance() (tests,
// the shell at exit). GUI thread only.
class DustbinSignaller : public QObject {
  Q_OBJECT

 public:
  static DustbinSignaller* instance();
  static void destroyInstance();
  // The items in the dustbin, oldest first.
  static QList<ZarvoItem*>& items();

 signals:
  void sizeChanged(uint size);

 private:
  DustbinSignaller() = default;
};
