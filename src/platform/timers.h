#pragma once
// Frame timers: each ticks on a thread of its own at absolute deadlines of a
// steady clock; the program waits for the next tick and learns how many
// ticks passed since its previous wait.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vx {

class Timer {
 public:
  explicit Timer(int32_t periodMs);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Blocks until a tick has arrived since the last wait, or a stop signal;
  // returns the number of ticks since the previous wait (at least 1 unless
  // stopped).
  int32_t wait();
  int32_t periodMs() const { return periodMs_; }

 private:
  void run();

  const int32_t periodMs_;
  std::mutex mutex_;
  std::condition_variable signal_;
  bool signalled_ = false;  // an auto-reset event
  bool stopping_ = false;
  uint32_t ticks_ = 0;
  uint32_t ticksAtLastWait_ = 0;
  std::thread thread_;
};

}  // namespace vx
