// A sub-window's state as stored in the settings, from hostile bytes: restoreState takes only a
// wish byte followed by nothing or a saved geometry, and refuses anything else unchanged.

#include <QApplication>
#include <QByteArray>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "workspace/FakeDock.h"
#include "workspace/GmSubWindow.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARVO_SUBWINDOW_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ZARVO_SUBWINDOW_FUZZ_ASAN)
// Fontconfig, loaded once by the title bar, keeps a block it never frees.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

class Window : public GmSubWindow {
 public:
  explicit Window(QWidget* parent) : GmSubWindow("Fuzz", "Fuzz", nullptr, QString(), parent) {}
  bool visibleByDefault() const override { return false; }
};

// Docked in a dock that is never shown, so the state it saves is exactly the state it holds.
Window& window() {
  static Window* docked = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "subwindow_state_fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    qInstallMessageHandler(quiet);
    auto* main = new QWidget;
    auto* made = new Window(main);
    made->setDock(new FakeDock(main));
    made->setFloating(false, true);
    return made;
  }();
  return *docked;
}

// Floating and never shown: an accepted state also restores its geometry onto the window.
Window& floating() {
  static Window* made = new Window(window().parentWidget());
  return *made;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  window();
  floating();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Window& docked = window();
  const QByteArray before = docked.saveState();
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
  if (!docked.restoreState(bytes)) {
    if (docked.saveState() != before) std::abort();
  } else if (docked.saveState() != bytes) {
    std::abort();
  }
  Window& loose = floating();
  if (loose.restoreState(bytes) != (docked.saveState() == bytes)) std::abort();
  if (loose.saveState().left(1) != docked.saveState().left(1)) std::abort();
  loose.hide();
  return 0;
}
