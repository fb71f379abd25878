#pragma once
// The millisecond clock of the runtime: monotonic, counted from the
// system's start, wrapping as a 32-bit value. Delays measure with it too, so
// a delay of n milliseconds always spans n ticks of the clock programs read.

#include <time.h>

#include <cstdint>

namespace vx {

inline uint32_t monotonicMillis() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace vx
