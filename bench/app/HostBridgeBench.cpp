// The "--gp" bridge on a 12-megapixel image of 16-bit samples from a big-endian host (the case
// with the most work: the first memory swapped in place, the second converted while copied, the
// result converted back), against 200 ms each way.

#include <benchmark/benchmark.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "app/HostBridge.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// The host's two memfds with a pattern of samples, for the life of the program.
struct Host {
  Host() {
    arguments.width = kWidth;
    arguments.height = kHeight;
    arguments.bitsPerChannel = 16;
    arguments.littleEndian = false;
    const uint64_t size = arguments.neededBytes();
    std::vector<uint16_t> samples(size / 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint16_t((i * 2654435761u) >> 17);
    for (int* fd : {&arguments.firstFd, &arguments.secondFd}) {
      *fd = memfd_create("bench-gp", MFD_CLOEXEC);
      if (*fd < 0 || ftruncate(*fd, off_t(size)) != 0 ||
          pwrite(*fd, samples.data(), size, 0) != ssize_t(size))
        *fd = -1;
    }
  }
  ~Host() {
    close(arguments.firstFd);
    close(arguments.secondFd);
  }
  GpArguments arguments;
};

Host& host() {
  static Host instance;
  return instance;
}

void BM_HostRead16BigEndian(benchmark::State& state) {
  QString refusal;
  for (auto _ : state) {
    HostBuffers buffers;
    if (!readHostMemory(host().arguments, buffers, &refusal)) state.SkipWithError("refused");
    benchmark::DoNotOptimize(buffers.first16.data());
  }
  state.counters["megapixels"] = kWidth * double(kHeight) / 1e6;
}

void BM_HostWriteBack16BigEndian(benchmark::State& state) {
  QString refusal;
  HostBuffers buffers;
  if (!readHostMemory(host().arguments, buffers, &refusal)) state.SkipWithError("refused");
  for (auto _ : state) {
    if (!writeHostMemory(host().arguments, buffers, &refusal)) state.SkipWithError("refused");
  }
  state.counters["megapixels"] = kWidth * double(kHeight) / 1e6;
}

BENCHMARK(BM_HostRead16BigEndian)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_HostWriteBack16BigEndian)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

}  // namespace
