#include "app/HostBridge.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr int kMaxSide = 65535;
// Buffer rows are padded to this many bytes.
constexpr uint32_t kBufferAlignment = 16;

bool allOf(const char* text, bool (*accepts)(char)) {
  if (!text || !*text) return false;
  for (const char* c = text; *c; ++c)
    if (!accepts(*c)) return false;
  return true;
}

bool isDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
  return isDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A whole number of at most nine digits (so it fits an int), or -1.
int strictNumber(const char* text, int base) {
  if (!allOf(text, base == 16 ? isHexDigit : isDecimalDigit)) return -1;
  // Leading zeros are allowed; what counts is the value.
  while (*text == '0' && text[1]) ++text;
  if (std::strlen(text) > (base == 16 ? 7u : 9u)) return -1;
  return int(std::strtol(text, nullptr, base));
}

// The descriptor named by `text`: open, of a regular object (a memfd is one), of `size` bytes.
bool hostDescriptor(const char* text, const char* which, int* fd, uint64_t* size,
                    QString* refusal) {
  *fd = strictNumber(text, 16);
  if (*fd < 0) {
    *refusal = QStringLiteral("the %1 handle \"%2\" is not a hexadecimal number")
                   .arg(QLatin1String(which), QString::fromLocal8Bit(text));
    return false;
  }
  if (::fcntl(*fd, F_GETFD) == -1) {
    *refusal = QStringLiteral("the %1 handle %2 names no open descriptor")
                   .arg(QLatin1String(which), QString::fromLocal8Bit(text));
    return false;
  }
  struct stat status;
  if (::fstat(*fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    *refusal = QStringLiteral("the %1 handle %2 is not shared memory")
                   .arg(QLatin1String(which), QString::fromLocal8Bit(text));
    return false;
  }
  *size = uint64_t(status.st_size);
  return true;
}

// Asks for huge pages under a buffer about to be filled: a 12-megapixel 16-bit image is 96 MB,
// and taking it in 4 KB faults costs more than copying it. Only advice; nothing fails without.
template <class P>
void preferHugePages(const kestrum::PixelBuffer<P>& buffer) {
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t start = uintptr_t(buffer.data());
  const uintptr_t end = start + uintptr_t(buffer.stride()) * uintptr_t(buffer.height());
  const uintptr_t first = (start + page - 1) / page * page;
  if (end > first + page) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

template <class T>
T swapped(T sample) {
  return T((sample >> 8) | (sample << 8));
}

}  // namespace

bool parseGpArguments(int argc, const char* const* argv, GpArguments& arguments, QString* refusal) {
  arguments = GpArguments();
  if (argc != 9 || !argv) {
    *refusal = QStringLiteral("it takes exactly seven arguments");
    return false;
  }
  uint64_t secondSize = 0, firstSize = 0;
  if (!hostDescriptor(argv[2], "second", &arguments.secondFd, &secondSize, refusal) ||
      !hostDescriptor(argv[3], "first", &arguments.firstFd, &firstSize, refusal))
    return false;
  if (arguments.firstFd == arguments.secondFd) {
    *refusal = QStringLiteral("both handles name descriptor %1").arg(arguments.firstFd);
    return false;
  }
  arguments.width = strictNumber(argv[4], 10);
  arguments.height = strictNumber(argv[5], 10);
  arguments.bitsPerChannel = strictNumber(argv[6], 10);
  if (arguments.width < 1 || arguments.width > kMaxSide || arguments.height < 1 ||
      arguments.height > kMaxSide) {
    *refusal = QStringLiteral("the size \"%1\" x \"%2\" is not 1 to %3 pixels a side")
                   .arg(QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5]))
                   .arg(kMaxSide);
    return false;
  }
  if (int64_t(arguments.width) * arguments.height > kHostMaxPixels) {
    *refusal = QStringLiteral("%1 x %2 pixels are more than %3")
                   .arg(arguments.width)
                   .arg(arguments.height)
                   .arg(kHostMaxPixels);
    return false;
  }
  if (arguments.bitsPerChannel != 8 && arguments.bitsPerChannel != 16) {
    *refusal = QStringLiteral("%1 bits per channel are neither 8 nor 16")
                   .arg(QString::fromLocal8Bit(argv[6]));
    return false;
  }
  arguments.littleEndian = std::strcmp(argv[7], "little") == 0;
  arguments.name = QString::fromLocal8Bit(argv[8]);
  const uint64_t needed = arguments.neededBytes();
  for (uint64_t size : {firstSize, secondSize}) {
    if (size < needed) {
      *refusal =
          QStringLiteral("a shared memory of %1 bytes is shorter than the %2 the image needs")
              .arg(size)
              .arg(needed);
      return false;
    }
  }
  return true;
}

HostMapping::~HostMapping() {
  unmap();
}

bool HostMapping::map(int fd, uint64_t needed, QString* refusal) {
  unmap();
  struct stat status;
  if (::fstat(fd, &status) != 0 || status.st_size < 0) {
    *refusal =
        QStringLiteral("descriptor %1 cannot be measured: %2").arg(fd).arg(std::strerror(errno));
    return false;
  }
  const uint64_t size = uint64_t(status.st_size);
  if (size < needed || needed == 0 || size > std::numeric_limits<size_t>::max()) {
    *refusal = QStringLiteral("descriptor %1 holds %2 bytes, not the %3 the image needs")
                   .arg(fd)
                   .arg(size)
                   .arg(needed);
    return false;
  }
  // Populated at once: one walk of the page tables instead of a fault per page.
  void* address =
      ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
  if (address == MAP_FAILED) {
    *refusal =
        QStringLiteral("descriptor %1 cannot be mapped: %2").arg(fd).arg(std::strerror(errno));
    return false;
  }
  address_ = address;
  size_ = size_t(size);
  return true;
}

void HostMapping::unmap() {
  if (address_) ::munmap(address_, size_);
  address_ = nullptr;
  size_ = 0;
}

// The copies walk a row at a time: the host's rows are packed, the buffer's may be padded.

void copyHostToBuffer8(const unsigned char* host, const kestrum::PixelView32& buffer) {
  const size_t rowBytes = size_t(buffer.width()) * 4;
  for (int32_t y = 0; y < buffer.height(); ++y) {
    const unsigned char* from = host + rowBytes * size_t(y);
    kestrum::Pixel32* to = buffer.row(y);
    for (int32_t x = 0; x < buffer.width(); ++x, from += 4) {
      to[x].channel[0] = from[2];
      to[x].channel[1] = from[1];
      to[x].channel[2] = from[0];
      to[x].channel[3] = from[3];
    }
  }
}

void copyBufferToHost8(const kestrum::PixelView32& buffer, unsigned char* host) {
  const size_t rowBytes = size_t(buffer.width()) * 4;
  for (int32_t y = 0; y < buffer.height(); ++y) {
    const kestrum::Pixel32* from = buffer.row(y);
    unsigned char* to = host + rowBytes * size_t(y);
    for (int32_t x = 0; x < buffer.width(); ++x, to += 4) {
      to[0] = from[x].channel[2];
      to[1] = from[x].channel[1];
      to[2] = from[x].channel[0];
      to[3] = from[x].channel[3];
    }
  }
}

namespace {

// One row of 16-bit pixels with channels 0 and 2 exchanged; `Swap` swaps each sample's bytes.
// The host's memory need not be aligned for 16-bit reads: it is copied through memcpy.
// `SwapBack` writes the swapped samples back over the host's (in one pass with the copy).
template <bool Swap, bool SwapBack = false>
void hostRowToBuffer(unsigned char* from, kestrum::Pixel64* to, int32_t width) {
  for (int32_t x = 0; x < width; ++x, from += 8) {
    uint16_t s[4];
    std::memcpy(s, from, 8);
    if (Swap)
      for (uint16_t& v : s) v = swapped(v);
    if (SwapBack) std::memcpy(from, s, 8);
    to[x].channel[0] = s[2];
    to[x].channel[1] = s[1];
    to[x].channel[2] = s[0];
    to[x].channel[3] = s[3];
  }
}

template <bool Swap>
void bufferRowToHost(const kestrum::Pixel64* from, unsigned char* to, int32_t width) {
  for (int32_t x = 0; x < width; ++x, to += 8) {
    uint16_t s[4] = {from[x].channel[2], from[x].channel[1], from[x].channel[0],
                     from[x].channel[3]};
    if (Swap)
      for (uint16_t& v : s) v = swapped(v);
    std::memcpy(to, s, 8);
  }
}

}  // namespace

void copyHostToBuffer16(const unsigned char* host, const kestrum::PixelView64& buffer,
                        bool swapBytes) {
  // Read only: the template writes back only when asked to.
  unsigned char* from = const_cast<unsigned char*>(host);
  const size_t rowBytes = size_t(buffer.width()) * 8;
  for (int32_t y = 0; y < buffer.height(); ++y) {
    if (swapBytes)
      hostRowToBuffer<true>(from + rowBytes * size_t(y), buffer.row(y), buffer.width());
    else
      hostRowToBuffer<false>(from + rowBytes * size_t(y), buffer.row(y), buffer.width());
  }
}

void swapHostAndCopyToBuffer16(unsigned char* host, const kestrum::PixelView64& buffer) {
  const size_t rowBytes = size_t(buffer.width()) * 8;
  for (int32_t y = 0; y < buffer.height(); ++y)
    hostRowToBuffer<true, true>(host + rowBytes * size_t(y), buffer.row(y), buffer.width());
}

void copyBufferToHost16(const kestrum::PixelView64& buffer, unsigned char* host, bool swapBytes) {
  const size_t rowBytes = size_t(buffer.width()) * 8;
  for (int32_t y = 0; y < buffer.height(); ++y) {
    if (swapBytes)
      bufferRowToHost<true>(buffer.row(y), host + rowBytes * size_t(y), buffer.width());
    else
      bufferRowToHost<false>(buffer.row(y), host + rowBytes * size_t(y), buffer.width());
  }
}

bool readHostMemory(const GpArguments& arguments, HostBuffers& buffers, QString* refusal) {
  const bool wide = arguments.bitsPerChannel == 16;
  HostBuffers made;
  // The buffers first: running out of memory here leaves the host's memory untouched.
  try {
    if (wide) {
      made.first16 = kestrum::PixelBuffer64(arguments.width, arguments.height, kBufferAlignment);
      made.second16 = kestrum::PixelBuffer64(arguments.width, arguments.height, kBufferAlignment);
      preferHugePages(made.first16);
      preferHugePages(made.second16);
    } else {
      made.first8 = kestrum::PixelBuffer32(arguments.width, arguments.height, kBufferAlignment);
      made.second8 = kestrum::PixelBuffer32(arguments.width, arguments.height, kBufferAlignment);
      preferHugePages(made.first8);
      preferHugePages(made.second8);
    }
  } catch (const std::bad_alloc&) {
    *refusal =
        QStringLiteral("no memory for %1 x %2 pixels").arg(arguments.width).arg(arguments.height);
    return false;
  }
  HostMapping first, second;
  const uint64_t needed = arguments.neededBytes();
  if (!first.map(arguments.firstFd, needed, refusal) ||
      !second.map(arguments.secondFd, needed, refusal))
    return false;
  if (wide) {
    if (arguments.littleEndian) {
      copyHostToBuffer16(first.data(), made.first16, false);
      copyHostToBuffer16(second.data(), made.second16, false);
    } else {
      // The host reads its first memory back as little-endian: swapped in place as it is read.
      swapHostAndCopyToBuffer16(first.data(), made.first16);
      // The second is converted while it is copied, so its samples read as the host's.
      copyHostToBuffer16(second.data(), made.second16, true);
    }
  } else {
    copyHostToBuffer8(first.data(), made.first8);
    copyHostToBuffer8(second.data(), made.second8);
  }
  buffers = std::move(made);
  return true;
}

bool writeHostMemory(const GpArguments& arguments, const HostBuffers& buffers, QString* refusal) {
  const bool wide = arguments.bitsPerChannel == 16;
  const bool built = wide ? buffers.second16.width() == arguments.width &&
                                buffers.second16.height() == arguments.height
                          : buffers.second8.width() == arguments.width &&
                                buffers.second8.height() == arguments.height;
  if (!built || arguments.width <= 0) {
    *refusal = QStringLiteral("there is no image of the host's size to hand back");
    return false;
  }
  HostMapping second;
  if (!second.map(arguments.secondFd, arguments.neededBytes(), refusal)) return false;
  if (wide)
    copyBufferToHost16(buffers.second16, second.data(), !arguments.littleEndian);
  else
    copyBufferToHost8(buffers.second8, second.data());
  return true;
}
