#include "FatalSignalReport.h"

#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

namespace {

// AddressSanitizer reports a fault itself, with the frames named, and ends with a status of its
// own: a handler here would replace both.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerReports = true;
#else
constexpr bool kSanitizerReports = false;
#endif

struct FatalSignal {
  int number;
  const char* name;
};
constexpr FatalSignal kFatalSignals[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
    {SIGILL, "SIGILL"},   {SIGABRT, "SIGABRT"},
};
constexpr int kMaxFrames = 64;

// Written by the listener on the main thread before each test; the handler, on any thread, only
// reads it, up to its last byte, which stays 0.
char runningTest[512] = "(before the first test)";

// Room to report from when the fault is that the stack ran out.
alignas(16) char alternateStack[1 << 16];

void say(const char* text, std::size_t length) {
  std::size_t written = 0;
  while (written < length) {
    const ssize_t n = ::write(STDERR_FILENO, text + written, length - written);
    if (n <= 0) return;
    written += std::size_t(n);
  }
}

void say(const char* text) {
  say(text, std::strlen(text));
}

// Async-signal-safe only: the dying thread may hold the heap's lock (glibc aborts from inside
// free), and another thread may end the process at any moment, so no allocation, no stdio, no
// child process. The frames stay raw, module and offset.
void report(int signal) {
  const char* name = "a fatal signal";
  for (const FatalSignal& fatal : kFatalSignals) {
    if (fatal.number == signal) name = fatal.name;
  }
  say("\n*** test program died of ");
  say(name);
  say(" in ");
  say(runningTest, ::strnlen(runningTest, sizeof runningTest - 1));
  say(" ***\n");
  void* frames[kMaxFrames];
  const int count = ::backtrace(frames, kMaxFrames);
  ::backtrace_symbols_fd(frames, count, STDERR_FILENO);
  // SA_RESETHAND gave the signal back its default action: the process ends as it would have.
  ::raise(signal);
}

class TestNames : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& test) override {
    std::snprintf(runningTest, sizeof runningTest - 1, "%s.%s", test.test_suite_name(),
                  test.name());
  }
};

}  // namespace

void installFatalSignalReport() {
  if (kSanitizerReports) return;
  ::testing::UnitTest::GetInstance()->listeners().Append(new TestNames);
  // Loads the unwinder now: the first backtrace() may allocate, which a handler must not.
  void* frames[2];
  ::backtrace(frames, 2);
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  ::sigaltstack(&stack, nullptr);
  for (const FatalSignal& fatal : kFatalSignals) {
    struct sigaction action {};
    action.sa_handler = report;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    ::sigaction(fatal.number, &action, nullptr);
  }
}
