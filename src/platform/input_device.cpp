#include "platform/input_device.h"

#include <cstring>

namespace vx {

// Codes outside 0..255 name no key or button.
static bool valid(int code) { return code >= 0 && code < 256; }

void InputDevice::pressed(int code) {
  if (!valid(code)) return;
  down_[code] = 1;
  ++hits_[code];
  // A press that finds the queue full is counted but not queued.
  if (put_ - get_ < kQueueSize) queue_[put_++ % kQueueSize] = static_cast<uint8_t>(code);
}

void InputDevice::released(int code) {
  if (valid(code)) down_[code] = 0;
}

bool InputDevice::isDown(int code) {
  refresh();
  return valid(code) && down_[code];
}

int32_t InputDevice::hitCount(int code) {
  refresh();
  if (!valid(code)) return 0;
  int32_t hits = hits_[code];
  hits_[code] = 0;
  return hits;
}

int32_t InputDevice::next() {
  refresh();
  if (get_ == put_) return 0;
  return queue_[get_++ % kQueueSize];
}

float InputDevice::axis(int slot) {
  refresh();
  return slot >= 0 && slot < kAxes ? axes_[slot] : 0.0f;
}

void InputDevice::flush() {
  refresh();
  std::memset(hits_, 0, sizeof hits_);
  get_ = put_ = 0;
}

void InputDevice::reset() {
  std::memset(down_, 0, sizeof down_);
  std::memset(hits_, 0, sizeof hits_);
  std::memset(axes_, 0, sizeof axes_);
  get_ = put_ = 0;
}

}  // namespace vx
