// Dropped text and URL-list bytes into the image receiver's candidate collection: the input up to
// its first zero byte is the text, the rest the "text/uri-list" bytes. Nothing is fetched or
// read; every candidate must be a web address to fetch or a local file.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QMimeData>

#include "FuzzGuiApplication.h"
#include "app/ImageReceiver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensureFuzzGuiApplication();
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
  const int split = bytes.indexOf('\0');
  QMimeData mime;
  if (split != 0) mime.setText(QString::fromUtf8(split < 0 ? bytes : bytes.left(split)));
  if (split >= 0) mime.setData(QStringLiteral("text/uri-list"), bytes.mid(split + 1));
  const QList<ImageReceiver::Candidate> found = ImageReceiver::candidates(&mime);
  for (const ImageReceiver::Candidate& candidate : found) {
    if (candidate.web) {
      const QString scheme = candidate.url.scheme();
      if (scheme != QLatin1String("http") && scheme != QLatin1String("ftp")) std::abort();
    } else if (candidate.url.toLocalFile().isEmpty()) {
      std::abort();
    }
  }
  return 0;
}
