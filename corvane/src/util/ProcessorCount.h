#pragma once

namespace corvane {

// The number of worker threads a parallel stage starts: the machine's processor count
// (at least 1), unless an override is set. Tests and the driver's --threads use the override
// to run the one-processor job orders on a many-core machine.
unsigned processorCount();
// 0 removes the override.
void setProcessorCountOverride(unsigned count);

}  // namespace corvane
