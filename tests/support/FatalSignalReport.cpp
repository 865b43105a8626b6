#include "FatalSignalReport.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 64;

// Written by the listener before each test, read only by the handler.
char runningTest[512] = "(before the first test)";

// Room to report from when the fault is that the stack ran out.
alignas(16) char alternateStack[1 << 16];

void say(const char* text) {
  const std::size_t length = std::strlen(text);
  std::size_t written = 0;
  while (written < length) {
    const ssize_t n = ::write(STDERR_FILENO, text + written, length - written);
    if (n <= 0) return;
    written += std::size_t(n);
  }
}

// addr2line names the frames of one file at a time; the child ends before the handler goes on.
void nameFrames(void* const* frames, int count) {
  for (int i = 0; i < count; ++i) {
    Dl_info info;
    if (!::dladdr(frames[i], &info) || !info.dli_fname) continue;
    // The frame's return address less one: the call, not the instruction after it.
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(frames[i]) -
                              reinterpret_cast<std::uintptr_t>(info.dli_fbase) - 1;
    char offset[32];
    std::snprintf(offset, sizeof offset, "%#llx", static_cast<unsigned long long>(at));
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(STDERR_FILENO, STDOUT_FILENO);
      ::execlp("addr2line", "addr2line", "-C", "-f", "-p", "-e", info.dli_fname, offset,
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (child < 0) return;
    int status = 0;
    ::waitpid(child, &status, 0);
  }
}

void report(int signal) {
  char head[768];
  std::snprintf(head, sizeof head, "\n*** test program died of signal %d (%s) in %s ***\n", signal,
                strsignal(signal), runningTest);
  say(head);
  void* frames[kMaxFrames];
  const int count = ::backtrace(frames, kMaxFrames);
  ::backtrace_symbols_fd(frames, count, STDERR_FILENO);
  say("*** the same frames, named ***\n");
  nameFrames(frames, count);
  // SA_RESETHAND gave the signal back its default action: the process ends as it would have.
  ::raise(signal);
}

class TestNames : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& test) override {
    std::snprintf(runningTest, sizeof runningTest, "%s.%s", test.test_suite_name(), test.name());
  }
};

}  // namespace

void installFatalSignalReport() {
  ::testing::UnitTest::GetInstance()->listeners().Append(new TestNames);
  // Loads the unwinder now: the first backtrace() may allocate, which a handler must not.
  void* frames[2];
  ::backtrace(frames, 2);
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  ::sigaltstack(&stack, nullptr);
  for (int signal : kFatalSignals) {
    struct sigaction action {};
    action.sa_handler = report;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}
