#include "composition/DustbinSignaller.h"

namespace {
DustbinSignaller* signaller = nullptr;
}

DustbinSignaller* DustbinSignaller::instance() {
  if (!signaller) signaller = new DustbinSignaller;
  return signaller;
}

void DustbinSignaller::destroyInstance() {
  delete signaller;
  signaller = nullptr;
}

QList<ZarvoItem*>& DustbinSignaller::items() {
  static QList<ZarvoItem*> dustbin;
  return dustbin;
}
