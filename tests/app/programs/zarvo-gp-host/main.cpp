// zarvo-gp-host: a host application's side of "--gp", for the tests and for a person to watch the
// round trip.
//
//   zarvo-gp-host [--bits 8|16] [--order little|big] [--second copy|zero] [--driver NAME]
//                 [--driver-arg TEXT]... [--size BYTES] [--pipe 2|3] [--arg N=TEXT]...
//                 --zarvo PATH IN.png OUT.png
//
// Makes two memfds (not closed on exec), writes IN.png into the first in host layout (rows of
// red, green, blue, alpha; 16-bit samples from 0 to 32768 in the given byte order) and a copy of
// it, or zeros, into the second; starts PATH [NAME [TEXT...]] --gp SECOND FIRST WIDTH HEIGHT BITS
// ORDER NAME and waits. Prints "status N" (or "signal N"), "first changed|unchanged", "second
// changed|unchanged", and on status 0 writes OUT.png from the second memfd ("wrote OUT.png").
// Test aids: --size makes both memfds that long instead, --pipe puts a pipe's descriptor in
// argument 2 or 3, --arg replaces argument N (2 to 8) of the nine.

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QImage>

extern char** environ;

namespace {

struct Options {
  int bits = 8;
  bool little = true;
  bool zeroSecond = false;
  std::string driver;
  std::vector<std::string> driverArguments;
  long long size = -1;
  int pipeArgument = 0;
  std::map<int, std::string> replaced;
  std::string zarvo, in, out;
};

int usage() {
  std::fprintf(stderr,
               "usage: zarvo-gp-host [--bits 8|16] [--order little|big] [--second copy|zero] "
               "[--driver NAME] [--driver-arg TEXT]... [--size BYTES] [--pipe 2|3] "
               "[--arg N=TEXT]... --zarvo PATH IN.png OUT.png\n");
  return 64;
}

bool parse(int argc, char** argv, Options& o) {
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--bits" && hasValue) {
      o.bits = std::atoi(argv[++i]);
    } else if (a == "--order" && hasValue) {
      o.little = std::string(argv[++i]) == "little";
    } else if (a == "--second" && hasValue) {
      o.zeroSecond = std::string(argv[++i]) == "zero";
    } else if (a == "--driver" && hasValue) {
      o.driver = argv[++i];
    } else if (a == "--driver-arg" && hasValue) {
      o.driverArguments.push_back(argv[++i]);
    } else if (a == "--size" && hasValue) {
      o.size = std::atoll(argv[++i]);
    } else if (a == "--pipe" && hasValue) {
      o.pipeArgument = std::atoi(argv[++i]);
    } else if (a == "--arg" && hasValue) {
      const std::string value = argv[++i];
      const size_t equals = value.find('=');
      if (equals == std::string::npos) return false;
      o.replaced[std::atoi(value.substr(0, equals).c_str())] = value.substr(equals + 1);
    } else if (a == "--zarvo" && hasValue) {
      o.zarvo = argv[++i];
    } else {
      rest.push_back(a);
    }
  }
  if (rest.size() != 2 || o.zarvo.empty() || (o.bits != 8 && o.bits != 16)) return false;
  o.in = rest[0];
  o.out = rest[1];
  return true;
}

void put16(unsigned char* at, uint16_t v, bool little) {
  at[little ? 0 : 1] = uint8_t(v);
  at[little ? 1 : 0] = uint8_t(v >> 8);
}

uint16_t get16(const unsigned char* at, bool little) {
  return uint16_t(at[little ? 0 : 1] | at[little ? 1 : 0] << 8);
}

// The picture in host layout.
std::vector<unsigned char> hostPixels(const QImage& picture, const Options& o) {
  const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
  const int w = rgba.width(), h = rgba.height();
  std::vector<unsigned char> bytes(size_t(w) * h * 4 * (o.bits / 8));
  for (int y = 0; y < h; ++y) {
    const unsigned char* line = rgba.constScanLine(y);
    for (int x = 0; x < w * 4; ++x) {
      const size_t i = size_t(y) * w * 4 + x;
      if (o.bits == 8)
        bytes[i] = line[x];
      else
        put16(&bytes[i * 2], uint16_t((line[x] * 32768 + 127) / 255), o.little);
    }
  }
  return bytes;
}

QImage pictureFrom(const unsigned char* bytes, int w, int h, const Options& o) {
  QImage picture(w, h, QImage::Format_RGBA8888);
  for (int y = 0; y < h; ++y) {
    unsigned char* line = picture.scanLine(y);
    for (int x = 0; x < w * 4; ++x) {
      const size_t i = size_t(y) * w * 4 + x;
      line[x] =
          o.bits == 8
              ? bytes[i]
              : uint8_t(std::min(255u, (get16(&bytes[i * 2], o.little) * 255u + 16384u) / 32768u));
    }
  }
  return picture;
}

int makeMemory(const char* name, const std::vector<unsigned char>& content, size_t size) {
  const int fd = memfd_create(name, 0);  // inherited by the child
  if (fd < 0 || ftruncate(fd, off_t(size)) != 0) return -1;
  const size_t n = std::min(size, content.size());
  if (n && pwrite(fd, content.data(), n, 0) != ssize_t(n)) return -1;
  return fd;
}

std::vector<unsigned char> readMemory(int fd) {
  const off_t size = lseek(fd, 0, SEEK_END);
  std::vector<unsigned char> bytes(size > 0 ? size_t(size) : 0);
  if (!bytes.empty() && pread(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size()))
    bytes.clear();
  return bytes;
}

std::string hex(int fd) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", unsigned(fd));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) return usage();
  const QImage picture(QString::fromLocal8Bit(o.in.c_str()));
  if (picture.isNull()) {
    std::fprintf(stderr, "zarvo-gp-host: cannot read %s\n", o.in.c_str());
    return 66;
  }
  const int w = picture.width(), h = picture.height();
  const std::vector<unsigned char> first = hostPixels(picture, o);
  const std::vector<unsigned char> second =
      o.zeroSecond ? std::vector<unsigned char>(first.size(), 0) : first;
  const size_t size = o.size >= 0 ? size_t(o.size) : first.size();
  const int firstFd = makeMemory("zarvo-gp-first", first, size);
  const int secondFd = makeMemory("zarvo-gp-second", second, size);
  int pipeFds[2] = {-1, -1};
  if (firstFd < 0 || secondFd < 0 || pipe(pipeFds) != 0) {
    std::perror("zarvo-gp-host");
    return 71;
  }
  const std::vector<unsigned char> firstBefore = readMemory(firstFd);
  const std::vector<unsigned char> secondBefore = readMemory(secondFd);

  std::vector<std::string> nine = {
      o.zarvo,
      "--gp",
      hex(secondFd),
      hex(firstFd),
      std::to_string(w),
      std::to_string(h),
      std::to_string(o.bits),
      o.little ? "little" : "big",
      QFileInfo(QString::fromLocal8Bit(o.in.c_str())).fileName().toStdString()};
  if (o.pipeArgument == 2 || o.pipeArgument == 3) nine[size_t(o.pipeArgument)] = hex(pipeFds[0]);
  for (const auto& [index, text] : o.replaced)
    if (index >= 2 && index <= 8) nine[size_t(index)] = text;
  std::vector<std::string> command = {nine[0]};
  if (!o.driver.empty()) command.push_back(o.driver);
  command.insert(command.end(), o.driverArguments.begin(), o.driverArguments.end());
  command.insert(command.end(), nine.begin() + 1, nine.end());
  std::vector<char*> childArgv;
  for (std::string& a : command) childArgv.push_back(a.data());
  childArgv.push_back(nullptr);

  pid_t child = 0;
  if (posix_spawn(&child, o.zarvo.c_str(), nullptr, nullptr, childArgv.data(), environ) != 0) {
    std::perror("zarvo-gp-host: spawn");
    return 71;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  if (WIFEXITED(status))
    std::printf("status %d\n", WEXITSTATUS(status));
  else
    std::printf("signal %d\n", WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  const std::vector<unsigned char> firstAfter = readMemory(firstFd);
  const std::vector<unsigned char> secondAfter = readMemory(secondFd);
  std::printf("first %s\n", firstAfter == firstBefore ? "unchanged" : "changed");
  std::printf("second %s\n", secondAfter == secondBefore ? "unchanged" : "changed");
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && secondAfter.size() >= first.size()) {
    if (!pictureFrom(secondAfter.data(), w, h, o).save(QString::fromLocal8Bit(o.out.c_str()))) {
      std::fprintf(stderr, "zarvo-gp-host: cannot write %s\n", o.out.c_str());
      return 73;
    }
    std::printf("wrote %s\n", o.out.c_str());
  }
  std::fflush(stdout);
  return 0;
}
