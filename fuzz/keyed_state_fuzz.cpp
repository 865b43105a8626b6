// The document's keyed state from hostile bytes: the stream reader, the parse of a whole stored
// document and every leaf reader of the keyed state behind it (readKeyedStateLeaves).

#include <QByteArray>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

#include "document/DocumentMetaTypes.h"
#include "document/KeyedStateLeaves.h"

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Bitmaps in the state are pixmaps, which need the GUI application; it lives for the run.
void ensureApplication() {
  static QGuiApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "keyed_state_fuzz";
    static char* argv[] = {name, nullptr};
    auto* app = new QGuiApplication(argc, argv);
    qInstallMessageHandler(quiet);
    registerDocumentMetaTypes();
    return app;
  }();
  Q_UNUSED(application);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensureApplication();
  readKeyedStateLeaves(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)));
  return 0;
}
