#include "platform/repaint_timer.h"

#include <chrono>

#include "platform/canvas.h"

namespace vx {

RepaintTimer::RepaintTimer(const Canvas& front, std::function<void()> requestRepaint)
    : front_(front), requestRepaint_(std::move(requestRepaint)), thread_([this] { run(); }) {}

RepaintTimer::~RepaintTimer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RepaintTimer::run() {
  uint32_t seen = front_.modCount();
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, std::chrono::milliseconds(kPeriodMs), [this] { return stopping_; })) {
    const uint32_t now = front_.modCount();
    if (now != seen) {
      seen = now;
      requestRepaint_();
    }
  }
}

}  // namespace vx
