#include "composition/ZarvoItemFaderUpper.h"

#include <QGraphicsItem>

#include "composition/ZarvoItem.h"

ZarvoItemFaderUpper::ZarvoItemFaderUpper(ZarvoItem* item) : item_(item) {
  connect(&timer_, &RepeatTimer::proportionElapsed, this,
          &ZarvoItemFaderUpper::timerProportionElapsed);
  connect(&timer_, &RepeatTimer::expired, this, &ZarvoItemFaderUpper::timerExpired);
}

void ZarvoItemFaderUpper::timerProportionElapsed(double proportion) {
  item_->setFadeLevel(proportion);
  if (QGraphicsItem* item = item_->graphicsItem()) item->update();
}

void ZarvoItemFaderUpper::timerExpired() {
  item_->setFadeLevel(1.0);
  if (QGraphicsItem* item = item_->graphicsItem()) item->update();
}
