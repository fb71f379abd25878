#pragma once
// One keyboard, one mouse and the joysticks SDL finds, each an InputDevice.
// Keyboard and mouse are fed by the window's events; joysticks are polled.

#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/input_device.h"

namespace vx {

class PlatformRuntime;
class InputPlayback;

class InputSystem {
 public:
  explicit InputSystem(PlatformRuntime& platform);
  ~InputSystem();
  InputSystem(const InputSystem&) = delete;
  InputSystem& operator=(const InputSystem&) = delete;

  InputDevice& keyboard() { return keyboard_; }
  InputDevice& mouse() { return mouse_; }
  int joystickCount() const { return static_cast<int>(joysticks_.size()); }
  InputDevice* joystick(int port);
  // 1 for a gamepad, 2 for another joystick, 0 for no joystick on the port.
  int joystickType(int port) const;

  // Window events: keys, buttons, wheel; mouse positions arrive already in
  // canvas coordinates.
  void handleEvent(const SDL_Event& event);
  void setMousePosition(int x, int y);
  void addMouseWheel(int delta);
  void moveMouse(int x, int y);
  void resetAll();
  // The character of a key code under the current shift state, or 0.
  int toAscii(int code);

  // Feeds recorded events into the event queue when they are due.
  void playBack();

 private:
  struct Joystick;
  void poll(Joystick& joystick);

  PlatformRuntime& platform_;
  InputDevice keyboard_;
  InputDevice mouse_;
  std::vector<std::unique_ptr<Joystick>> joysticks_;
  std::unique_ptr<InputPlayback> playback_;
};

}  // namespace vx
