// zarvo-fatal-signals: tests that die, on the shared test main with its fatal-signal report.
// tests/scripts/FatalSignalTest.sh runs one at a time and checks how the program ended; no
// suite discovers them.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include <QDir>

namespace {

// A death skips the isolated run's clean-up, so its folders go first; nothing here uses them.
// Only the run's own folder (/tmp/zarvo-test-XXXXXX/config) goes: a run that could not make it
// kept the settings folder it inherited.
void dropIsolatedRunFolders() {
  QDir run(qEnvironmentVariable("XDG_CONFIG_HOME"));
  if (run.dirName() == QLatin1String("config") && run.cdUp() &&
      run.dirName().startsWith(QLatin1String("zarvo-")))
    run.removeRecursively();
}

void writeToWildAddress() {
  // Not null: the undefined-behaviour checks of the sanitizer build stop a null store before it
  // faults.
  volatile std::uintptr_t wild = 16;
  *reinterpret_cast<volatile int*>(wild) = 1;
}

// Set by the worker just before it faults; static, as the test returns while the worker dies.
std::atomic<bool> workerFaulting{false};

}  // namespace

TEST(FatalSignal, WorkerFaultsJustBeforeTheEnd) {
  dropIsolatedRunFolders();
  std::thread([] {
    workerFaulting = true;
    writeToWildAddress();
  }).detach();
  while (!workerFaulting) std::this_thread::yield();
  // The test passes, and the run ends, this long after the fault.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

TEST(FatalSignal, HeapCorruptedBesideAnotherThread) {
  dropIsolatedRunFolders();
  // Once a second thread exists, glibc locks the heap around a free, and aborts on a double free
  // with that lock held.
  std::thread([] { std::this_thread::sleep_for(std::chrono::hours(1)); }).detach();
  // Too large for the per-thread caches; the guard keeps the block apart from the heap's top.
  void* volatile block = std::malloc(4096);
  void* volatile guard = std::malloc(4096);
  std::free(block);
  std::free(block);
  std::free(guard);
}

TEST(FatalSignal, AddressSanitizerFault) {
  dropIsolatedRunFolders();
  writeToWildAddress();
}
