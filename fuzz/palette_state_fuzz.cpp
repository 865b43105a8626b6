// The tool palette's dock state as stored in the settings, from hostile bytes: restoreState
// takes exactly what saveState writes and refuses anything else unchanged.

#include <QApplication>
#include <QByteArray>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "workspace/ToolPalette.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARVO_PALETTE_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ZARVO_PALETTE_FUZZ_ASAN)
// Fontconfig, loaded once by the dock's title, keeps a block it never frees.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Dock windows need the application of widgets; it and the palette live for the run, the
// palette in a main window that is never shown, so no input loads fonts.
ToolPalette& palette() {
  static ToolPalette* dock = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "palette_state_fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    qInstallMessageHandler(quiet);
    return new ToolPalette(QStringLiteral("Tools"), new QWidget);
  }();
  return *dock;
}

}  // namespace

// libFuzzer builds the application before the first input, so the fonts it loads once are not
// taken for a leak of that input; the replay builds it on first use.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  palette();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ToolPalette& dock = palette();
  const QByteArray before = dock.saveState();
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
  // A refused state leaves everything as it was; an accepted one is written back unchanged
  // (the further flag always as 0).
  if (!dock.restoreState(bytes)) {
    if (dock.saveState() != before) std::abort();
  } else if (dock.saveState().left(9) != bytes.left(9)) {
    std::abort();
  }
  dock.hide();
  return 0;
}
