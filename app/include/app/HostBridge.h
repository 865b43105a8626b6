#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>

#include "kestrum/image/PixelBuffer.h"

// The Linux side of the "--gp" host bridge. A host hands over two shared-memory objects as
// inherited descriptors (memfd_create without close-on-exec, sized with ftruncate), named in
// hexadecimal on the command line. Each holds `height` rows of `width` pixels, no gap between
// rows, four interleaved channels red, green, blue, alpha of 8 bits or of 16-bit samples in the
// host's byte order. Our buffers hold blue, green, red, alpha with samples in our own order.

// The seven arguments after "--gp", checked before anything is mapped.
struct GpArguments {
  int secondFd = -1;  // argv[2]
  int firstFd = -1;   // argv[3]
  int width = 0;
  int height = 0;
  int bitsPerChannel = 0;
  bool littleEndian = false;  // argv[7] is exactly "little"
  QString name;               // argv[8], the document's name

  // Bytes each mapping must hold at least: width × height × 4 channels × sample bytes.
  uint64_t neededBytes() const {
    return uint64_t(width) * uint64_t(height) * 4u * (bitsPerChannel / 8u);
  }
};

// Sides from 1 to 65535, at most this many pixels.
constexpr int64_t kHostMaxPixels = 100'000'000;

// Parses and checks argv[2..8] of a nine-argument "--gp" command line: each handle a whole
// hexadecimal number naming an open descriptor of a regular object, the two distinct; width,
// height and bits strict decimals within range, bits 8 or 16; each object at least
// neededBytes() long. False with the reason otherwise. Maps nothing, writes nothing.
bool parseGpArguments(int argc, const char* const* argv, GpArguments& arguments, QString* refusal);

// A read-write shared view of a whole descriptor, unmapped when destroyed. The descriptor stays
// open; it belongs to whoever opened it.
class HostMapping {
 public:
  HostMapping() = default;
  ~HostMapping();
  HostMapping(const HostMapping&) = delete;
  HostMapping& operator=(const HostMapping&) = delete;

  // Maps `fd` over its current size, which must be at least `needed` bytes; false with the
  // reason otherwise (nothing is then mapped).
  bool map(int fd, uint64_t needed, QString* refusal);
  unsigned char* data() const { return static_cast<unsigned char*>(address_); }
  size_t size() const { return size_; }
  void unmap();

 private:
  void* address_ = nullptr;
  size_t size_ = 0;
};

// Our copies of the host's two images: the 8-bit pair or the 16-bit pair, as the bits say.
struct HostBuffers {
  kestrum::PixelBuffer32 first8;
  kestrum::PixelBuffer32 second8;
  kestrum::PixelBuffer64 first16;
  kestrum::PixelBuffer64 second16;
};

// Copies both of the host's memories (as checked by parseGpArguments) into new buffers: a
// big-endian host's first memory is left byte-swapped in place, as hosts expect, its second is
// converted while copied. False with the reason, nothing written, when memory runs out or a
// memory cannot be mapped at the size needed.
bool readHostMemory(const GpArguments& arguments, HostBuffers& buffers, QString* refusal);
// Copies the second buffer back into the host's second memory, in the host's channel and byte
// order. False with the reason, nothing written, when that memory no longer has the size needed.
bool writeHostMemory(const GpArguments& arguments, const HostBuffers& buffers, QString* refusal);

// The four copies between a host's pixels (`host`, rows packed) and a buffer of the same size,
// exchanging channels 0 and 2. The 16-bit ones also swap the bytes of every sample when
// `swapBytes` (a big-endian host). The buffer's padding is left alone.
void copyHostToBuffer8(const unsigned char* host, const kestrum::PixelView32& buffer);
void copyBufferToHost8(const kestrum::PixelView32& buffer, unsigned char* host);
void copyHostToBuffer16(const unsigned char* host, const kestrum::PixelView64& buffer,
                        bool swapBytes);
void copyBufferToHost16(const kestrum::PixelView64& buffer, unsigned char* host, bool swapBytes);
// A big-endian host's first memory: each sample's bytes swapped in place (the host reads it
// back little-endian) and copied into the buffer, in one pass.
void swapHostAndCopyToBuffer16(unsigned char* host, const kestrum::PixelView64& buffer);
