#include "platform/timers.h"

#include <chrono>

#include "runtime/stop_signals.h"

namespace vx {

Timer::Timer(int32_t periodMs) : periodMs_(periodMs), thread_([this] { run(); }) {}

Timer::~Timer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  signal_.notify_all();
  thread_.join();
}

void Timer::run() {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    deadline += std::chrono::milliseconds(periodMs_);
    // Stopping wakes the wait early; a spurious wake-up waits again.
    if (signal_.wait_until(lock, deadline, [this] { return stopping_; })) return;
    ++ticks_;
    signalled_ = true;
    signal_.notify_all();
  }
}

int32_t Timer::wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  // Slices short enough for a stop signal to end a slow timer's wait.
  while (!signalled_ && !stopping_ && !stopRequested()) signal_.wait_for(lock, std::chrono::milliseconds(50));
  signalled_ = false;
  uint32_t passed = ticks_ - ticksAtLastWait_;
  ticksAtLastWait_ = ticks_;
  return static_cast<int32_t>(passed);
}

}  // namespace vx
