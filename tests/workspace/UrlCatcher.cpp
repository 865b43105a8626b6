#include "UrlCatcher.h"

void UrlCatcher::open(const QUrl& url) {
  opened << url;
}
