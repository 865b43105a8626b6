#include "composition/ZarvoOutputHandler.h"

#include <QDebug>

#include "composition/ZarvoObject.h"

namespace {
ZarvoOutputHandler* handler = nullptr;
}

ZarvoOutputHandler* ZarvoOutputHandler::instance() {
  if (!handler) handler = new ZarvoOutputHandler;
  return handler;
}

void ZarvoOutputHandler::destroyInstance() {
  delete handler;
  handler = nullptr;
}

ZarvoOutputHandler::ZarvoOutputHandler() {
  typeNames_ << QStringLiteral("JPG") << QStringLiteral("PNG") << QStringLiteral("PDF");
  connect(this, &ZarvoOutputHandler::fileTypeChanged, ZarvoObject::instance(),
          &ZarvoObject::reprocessFinalImage);
}

void ZarvoOutputHandler::fileTypeChoosen(int ft) {
  if (ft < 0 || ft >= typeNames_.size()) {
    qWarning() << "Unknown output file type refused:" << ft;
    return;
  }
  if (ft == fileType_) return;
  fileType_ = ft;
  emit fileTypeChanged();
}
