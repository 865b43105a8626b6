#pragma once

#include <cstdint>

namespace corvane {

// The checkpoint of every watershed flood (image, eight-neighbour and colour-bin): its text
// names a source path and line that are part of the message, not a reference to this file.
constexpr const char* kWatershedInnerPath = "corvane/include/watershed/Watershed";
constexpr int kWatershedInnerLine = 1229;
// Pops between two checkpoints of a flood (a power of two).
constexpr uint64_t kWatershedCheckpointPops = 32768;

}  // namespace corvane
