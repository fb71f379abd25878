#include "platform/vertical_blank.h"

#include <errno.h>
#include <time.h>

#include <algorithm>

namespace vx {

namespace {

// The blank lasts about one part in twenty of a refresh.
constexpr int kBlankDivisor = 20;

int64_t nowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

VerticalBlank::VerticalBlank(int hertz, int lines)
    : periodNs_(1000000000 / std::max(hertz, 1)), lines_(std::max(lines, 1)) {}

void VerticalBlank::wait() const {
  const int64_t now = nowNs();
  const int64_t next = (now / periodNs_ + 1) * periodNs_;
  timespec deadline{static_cast<time_t>(next / 1000000000), static_cast<long>(next % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

int32_t VerticalBlank::scanLine() const {
  const int64_t phase = nowNs() % periodNs_;
  const int64_t total = lines_ + lines_ / kBlankDivisor;
  return static_cast<int32_t>(phase * total / periodNs_);
}

}  // namespace vx
