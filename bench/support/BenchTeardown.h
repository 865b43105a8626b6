#pragma once

#include <functional>

// What a benchmark program must undo while its GUI application still exists
// (engine sessions, documents holding pixmaps): registered by the benchmarks, run by the shared
// main after the last benchmark, newest first.
void atBenchTeardown(std::function<void()> step);
void runBenchTeardown();
