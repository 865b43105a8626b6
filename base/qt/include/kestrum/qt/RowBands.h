#pragma once

#include <functional>

namespace kestrum {

// Threads the row-band runner starts: the machine's processor count (at least 1) unless an
// override is set. Tests use the override to compare thread counts on one machine.
unsigned rowBandThreads();
// 0 removes the override.
void setRowBandThreadsOverride(unsigned threads);

// Splits the rows 0 .. rows - 1 into contiguous bands of at least `minBandRows` rows (the last
// may be shorter) and runs body(first, end) for each, end exclusive, on up to rowBandThreads()
// std::threads; the calling thread works too. For bodies whose bands write disjoint rows, so
// the result never depends on the thread count. Returns when every band has ended; the first
// exception a band raised is raised here after all threads have been joined.
void runRowBands(int rows, int minBandRows, const std::function<void(int first, int end)>& body);

// Runs row(y) for every row in bands, each band polling stop() once before each of its rows.
// False when stop() answered true: the rows not yet begun are skipped.
bool forEachRow(int rows, const std::function<bool()>& stop, const std::function<void(int y)>& row);

}  // namespace kestrum
