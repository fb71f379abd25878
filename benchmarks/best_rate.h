#pragma once
// The measure the drawing benchmarks share: operations per second of the
// best of five runs, so that one run disturbed by the machine does not count.

#include <algorithm>
#include <chrono>
#include <functional>

inline double bestRate(int count, const std::function<void(int)>& op) {
  double best = 1e30;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) op(i);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, s);
  }
  return count / best;
}
