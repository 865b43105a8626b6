#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/ParallelBands.h"

namespace corvane {

// Sorts `keys` stably by their bytes `firstByte` .. `lastByte` (0 the lowest), least
// significant first, and moves `payload` (one entry per key, or empty) along. A byte that
// every key shares needs no pass. The keys are dealt out in pieces to the engine's workers,
// each counting and scattering its own piece; a stable sort's result does not depend on how
// many there are.
template <class Payload>
void stableRadixSort(std::vector<uint64_t>& keys, std::vector<Payload>& payload, int firstByte,
                     int lastByte) {
  const size_t count = keys.size();
  const bool carry = !payload.empty();
  const unsigned threads = processorCount();
  const size_t pieces = count < 65536 ? 1 : std::min<size_t>(4 * threads, count / 16384);
  const size_t pieceSize = (count + pieces - 1) / (pieces == 0 ? 1 : pieces);
  std::vector<std::array<size_t, 256>> starts(pieces);
  std::vector<uint64_t> sortedKeys;
  std::vector<Payload> sortedPayload;
  for (int d = firstByte; d <= lastByte; ++d) {
    const int shift = 8 * d;
    forEachInParallel(pieces, 1, [&](size_t p) {
      std::array<size_t, 256>& start = starts[p];
      start.fill(0);
      const size_t end = std::min(count, (p + 1) * pieceSize);
      for (size_t i = p * pieceSize; i < end; ++i) ++start[(keys[i] >> shift) & 0xFF];
    });
    // Bucket by bucket, piece by piece: where each piece writes its keys of each byte value.
    size_t sum = 0;
    bool shared = false;
    for (size_t v = 0; v < 256 && !shared; ++v) {
      size_t inBucket = 0;
      for (size_t p = 0; p < pieces; ++p) inBucket += starts[p][v];
      shared = inBucket == count;
    }
    if (shared) continue;
    for (size_t v = 0; v < 256; ++v) {
      for (size_t p = 0; p < pieces; ++p) {
        const size_t n = starts[p][v];
        starts[p][v] = sum;
        sum += n;
      }
    }
    sortedKeys.resize(count);
    if (carry) sortedPayload.resize(count);
    forEachInParallel(pieces, 1, [&](size_t p) {
      std::array<size_t, 256>& start = starts[p];
      const size_t end = std::min(count, (p + 1) * pieceSize);
      for (size_t i = p * pieceSize; i < end; ++i) {
        const size_t to = start[(keys[i] >> shift) & 0xFF]++;
        sortedKeys[to] = keys[i];
        if (carry) sortedPayload[to] = payload[i];
      }
    });
    keys.swap(sortedKeys);
    if (carry) payload.swap(sortedPayload);
  }
}

}  // namespace corvane
