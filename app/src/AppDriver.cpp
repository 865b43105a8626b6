#include "app/AppDriver.h"

namespace {
AppDriver* installed = nullptr;
}  // namespace

AppDriver* appDriver() {
  return installed;
}

void setAppDriver(AppDriver* driver) {
  installed = driver;
}
