// The "--gp" command line from hostile bytes: the seven arguments and two memfds of a fuzzed
// size through the argument checks, the copy into our buffers and the copy back
// (parseGpArguments, readHostMemory, writeHostMemory).
//
// Input: one flag byte (bit 0: argument 2 names the second memfd, bit 1: argument 3 the first),
// two bytes of memfd size (little-endian, in units of 8 bytes), then the seven arguments
// separated by NUL bytes; missing arguments are empty.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <QByteArray>

#include "app/HostBridge.h"

namespace {

struct Memfd {
  explicit Memfd(size_t size) : fd(memfd_create("gpargs-fuzz", MFD_CLOEXEC)) {
    if (fd >= 0 && ftruncate(fd, off_t(size)) != 0) {
      close(fd);
      fd = -1;
    }
  }
  ~Memfd() {
    if (fd >= 0) close(fd);
  }
  int fd;
};

std::string hex(int fd) {
  return QByteArray::number(fd, 16).toStdString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t flags = data[0];
  const size_t memfdSize = size_t(data[1] | data[2] << 8) * 8;
  Memfd first(memfdSize), second(memfdSize);
  if (first.fd < 0 || second.fd < 0) return 0;

  std::vector<std::string> arguments{"zarvo", "--gp"};
  std::string current;
  for (size_t i = 3; i < size && arguments.size() < 9; ++i) {
    if (data[i] == 0) {
      arguments.push_back(current);
      current.clear();
    } else {
      current.push_back(char(data[i]));
    }
  }
  if (arguments.size() < 9) arguments.push_back(current);
  while (arguments.size() < 9) arguments.emplace_back();
  if (flags & 1) arguments[2] = hex(second.fd);
  if (flags & 2) arguments[3] = hex(first.fd);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);

  GpArguments parsed;
  QString refusal;
  if (!parseGpArguments(9, argv.data(), parsed, &refusal)) return 0;
  // Only our own two memfds may be mapped: a fuzzed handle naming another descriptor of this
  // process (a standard stream, say) is accepted by the checks but not written to here.
  const bool ours = (parsed.firstFd == first.fd || parsed.firstFd == second.fd) &&
                    (parsed.secondFd == first.fd || parsed.secondFd == second.fd);
  if (!ours) return 0;
  HostBuffers buffers;
  if (readHostMemory(parsed, buffers, &refusal)) writeHostMemory(parsed, buffers, &refusal);
  return 0;
}
