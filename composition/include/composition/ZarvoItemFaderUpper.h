#pragma once

#include <QObject>

#include "document/RepeatTimer.h"

class ZarvoItem;

// Fades a composition item in: its timer reports the elapsed part of the fade, which becomes
// the item's fade level, and the item is repainted. Owned by the item. GUI thread only.
class ZarvoItemFaderUpper : public QObject {
  Q_OBJECT

 public:
  explicit ZarvoItemFaderUpper(ZarvoItem* item);

  RepeatTimer& timer() { return timer_; }

 public slots:
  void timerProportionElapsed(double proportion);
  void timerExpired();

 private:
  ZarvoItem* item_;
  RepeatTimer timer_;
};
