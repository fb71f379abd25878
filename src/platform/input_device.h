#pragma once
// The state every input device keeps: which keys or buttons are down, how
// often each was pressed since it was last asked, a queue of presses and
// the axes.

#include <cstdint>
#include <functional>

namespace vx {

class InputDevice {
 public:
  static constexpr int kQueueSize = 32;
  static constexpr int kAxes = 9;

  // refresh runs before every operation: it lets the device take in what
  // happened since (window events, a joystick poll).
  explicit InputDevice(std::function<void()> refresh) : refresh_(std::move(refresh)) {}

  void pressed(int code);
  void released(int code);
  bool isDown(int code);
  int32_t hitCount(int code);
  int32_t next();
  float axis(int slot);
  void setAxis(int slot, float value) { axes_[slot] = value; }
  void addToAxis(int slot, float amount) { axes_[slot] += amount; }
  void flush();
  void reset();

 private:
  void refresh() {
    if (refresh_) refresh_();
  }

  std::function<void()> refresh_;
  uint8_t down_[256] = {};
  int32_t hits_[256] = {};
  uint8_t queue_[kQueueSize] = {};
  uint32_t put_ = 0, get_ = 0;
  float axes_[kAxes] = {};
};

}  // namespace vx
