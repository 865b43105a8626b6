#include "BrowserSpy.h"

#include <QDesktopServices>

namespace {
const char* const kSchemes[] = {"http", "https", "file"};
}  // namespace

BrowserSpy::BrowserSpy() {
  for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(scheme, this, "openUrl");
}

BrowserSpy::~BrowserSpy() {
  for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(scheme);
}

void BrowserSpy::openUrl(const QUrl& url) {
  opened << url.toString();
}
