// "distributor.xml" from hostile bytes: the reader gives the whole record or, with any error,
// the defaults and a text of every error.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "app/DistributorInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QString errors;
  const DistributorRecord record =
      readDistributorRecord(QByteArray(reinterpret_cast<const char*>(data), int(size)), &errors);
  if (!errors.isEmpty()) {
    const bool defaults = record.id.isEmpty() && record.aboutBoxText.isEmpty() &&
                          record.latestNews && record.homePage && record.checkForUpdates &&
                          record.supportEmail.isEmpty();
    if (!defaults || !errors.endsWith(QLatin1Char('\n'))) std::abort();
  }
  return 0;
}
