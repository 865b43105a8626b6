#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

// How soon a computation stops: `started` begins one and hands back what stops it (abort and
// join, or deleting its owner); the time from that call to its return is measured `lead` after
// the start, in the middle of the work. Reports the worst stop as worst_ms.
inline void measureStop(benchmark::State& state,
                        const std::function<std::function<void()>()>& started,
                        std::chrono::milliseconds lead) {
  using Clock = std::chrono::steady_clock;
  double worst = 0;
  for (auto _ : state) {
    std::function<void()> stop = started();
    std::this_thread::sleep_for(lead);
    const auto begin = Clock::now();
    stop();
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    state.SetIterationTime(seconds);
    worst = std::max(worst, seconds * 1e3);
  }
  state.counters["worst_ms"] = worst;
}
