#pragma once
// While a windowed mode is open, drawing on the front buffer must reach the
// window without Flip. Every 100 ms this timer's thread compares the front
// canvas's modification count with the one it saw before and, when it has
// changed, asks the main thread to repaint; the main thread presents.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vx {

class Canvas;

class RepaintTimer {
 public:
  // requestRepaint runs on the timer's thread; it must only post.
  RepaintTimer(const Canvas& front, std::function<void()> requestRepaint);
  ~RepaintTimer();
  RepaintTimer(const RepaintTimer&) = delete;
  RepaintTimer& operator=(const RepaintTimer&) = delete;

  static constexpr int kPeriodMs = 100;

 private:
  void run();

  const Canvas& front_;
  std::function<void()> requestRepaint_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vx
