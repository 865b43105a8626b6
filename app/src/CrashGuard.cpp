#include "app/CrashGuard.h"

#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QFile>

#include "app/AppExitCodes.h"
#include "app/AppIdentity.h"
#include "app/Flogger.h"

extern char** environ;

namespace {

// All fixed before the first signal can arrive; the handler only reads them.
char dumpPath[PATH_MAX];
char programFolder[PATH_MAX];
char crashBoxPath[PATH_MAX];
char crashBoxTitle[] = "Orbel Zarvo";
char crashMessage[] = "Sorry - Zarvo has encountered a problem and is exiting.";
char* crashBoxArgv[] = {crashBoxPath, crashBoxTitle, crashMessage, nullptr};
char revision[64];
bool displayInUse = false;

constexpr size_t kAltStackSize = 64 * 1024;
alignas(16) char altStack[kAltStackSize];

// The thread that reports the crash (its kernel id); 0 until a crash.
std::atomic<long> reportingThread{0};

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kMaxFrames = 64;

bool copyIfFits(const char* text, char* buffer, size_t capacity) {
  const size_t length = std::strlen(text);
  if (length + 1 > capacity) {
    buffer[0] = '\0';
    return false;
  }
  std::memcpy(buffer, text, length + 1);
  return true;
}

// ---- Async-signal-safe output

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= size_t(written);
  }
  return true;
}

bool writeText(int fd, const char* text) {
  return writeAll(fd, text, std::strlen(text));
}

bool writeUnsigned(int fd, unsigned long long value, unsigned base, int minDigits = 1) {
  char digits[32];
  int count = 0;
  do {
    const unsigned digit = unsigned(value % base);
    digits[count++] = char(digit < 10 ? '0' + digit : 'a' + digit - 10);
    value /= base;
  } while (value != 0 && count < 32);
  while (count < minDigits && count < 32) digits[count++] = '0';
  char text[32];
  for (int i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
  return writeAll(fd, text, size_t(count));
}

bool writeSigned(int fd, long long value) {
  if (value < 0) {
    if (!writeText(fd, "-")) return false;
    return writeUnsigned(fd, 0ull - static_cast<unsigned long long>(value), 10);
  }
  return writeUnsigned(fd, static_cast<unsigned long long>(value), 10);
}

const char* signalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "signal";
  }
}

void writeReport(int signal, const siginfo_t* info, long thread) {
  const int fd = ::open(dumpPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  bool ok = writeText(fd, "Zarvo crash report\nSignal: ");
  ok = ok && writeSigned(fd, signal) && writeText(fd, " ") && writeText(fd, signalName(signal));
  ok = ok && writeText(fd, "\nCode: ") && writeSigned(fd, info ? info->si_code : 0);
  ok = ok && writeText(fd, "\nAddress: 0x") &&
       writeUnsigned(fd, info ? reinterpret_cast<unsigned long long>(info->si_addr) : 0, 16,
                     2 * int(sizeof(void*)));
  ok = ok && writeText(fd, "\nThread: ") && writeSigned(fd, thread);
  ok = ok && writeText(fd, "\nRevision: ") && writeText(fd, revision);
  ok = ok && writeText(fd, "\nFrames:\n");
  if (ok) {
    void* frames[kMaxFrames];
    const int count = ::backtrace(frames, kMaxFrames);
    ::backtrace_symbols_fd(frames, count, fd);
  }
  if (::close(fd) != 0) ok = false;
  if (!ok) ::unlink(dumpPath);  // no half report
}

void showCrashBox() {
  if (!displayInUse || crashBoxPath[0] == '\0') return;
  const pid_t child = ::vfork();
  if (child == 0) {
    ::execve(crashBoxPath, crashBoxArgv, environ);
    ::_exit(127);
  }
  if (child < 0) return;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

void crashHandler(int signal, siginfo_t* info, void*) {
  const long thread = ::syscall(SYS_gettid);
  long expected = 0;
  if (!reportingThread.compare_exchange_strong(expected, thread)) {
    if (expected == thread) {
      // A fault inside the report itself: the default action ends the process.
      ::signal(signal, SIG_DFL);
      ::raise(signal);
      return;
    }
    for (;;) ::pause();  // another thread reports; its _exit ends this one too
  }
  if (dumpPath[0] != '\0') writeReport(signal, info, thread);
  writeText(STDERR_FILENO, crashMessage);
  writeText(STDERR_FILENO, "\n");
  showCrashBox();
  ::_exit(kExitCrash);
}

void installHandler(int signal) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = crashHandler;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
}

bool platformIsHeadless(const char* platform) {
  return platform &&
         (std::strncmp(platform, "offscreen", 9) == 0 || std::strncmp(platform, "minimal", 7) == 0);
}

bool findDisplay(int argc, char** argv) {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (!(x11 && *x11) && !(wayland && *wayland)) return false;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
      platform = argv[i + 1];
  }
  return !platformIsHeadless(platform);
}

void findProgramFolder() {
  programFolder[0] = '\0';
  char exe[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return;
  exe[length] = '\0';
  char* slash = std::strrchr(exe, '/');
  if (!slash) return;
  slash[1] = '\0';
  copyIfFits(exe, programFolder, sizeof programFolder);
}

}  // namespace

bool setCrashDumpPath(const QByteArray& path) {
  return copyIfFits(path.constData(), dumpPath, sizeof dumpPath);
}

const char* crashDumpPath() {
  return dumpPath;
}

const char* crashProgramFolder() {
  return programFolder;
}

bool crashDisplayInUse() {
  return displayInUse;
}

void prepareCrashGuard(int argc, char** argv) {
  setCrashDumpPath(QFile::encodeName(crashDumpFileName()));
  findProgramFolder();
  crashBoxPath[0] = '\0';
  if (programFolder[0] != '\0') {
    const QByteArray box = QByteArray(programFolder) + "zarvo-crashbox";
    copyIfFits(box.constData(), crashBoxPath, sizeof crashBoxPath);
  }
  copyIfFits(buildRevision(), revision, sizeof revision);
  displayInUse = findDisplay(argc, argv);

  // The first call loads the unwinder; later calls, in the handler, allocate nothing.
  void* frames[4];
  ::backtrace(frames, 4);

  stack_t stack;
  stack.ss_sp = altStack;
  stack.ss_size = kAltStackSize;
  stack.ss_flags = 0;
  ::sigaltstack(&stack, nullptr);
  for (int signal : kFatalSignals) installHandler(signal);
}

void guardAbort() {
  installHandler(SIGABRT);
}
