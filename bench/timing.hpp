#pragma once
// Wall-clock timing shared by the benchmark programs: the best of several runs, which is the figure
// least disturbed by whatever else the machine is doing.
#include <algorithm>
#include <chrono>

namespace norvi::bench {

template <typename F>
double seconds_of(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <typename F>
double best_seconds(int runs, F&& work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, seconds_of(work));
  return best;
}

}  // namespace norvi::bench
