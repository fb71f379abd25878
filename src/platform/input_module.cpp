#include "platform/input_module.h"

#include "platform/input_system.h"
#include "platform/platform_runtime.h"

namespace vx {

namespace {

constexpr float kWheelNotch = 0.008333334f;  // one notch of 120
constexpr float kDirThreshold = 0.33333334f;

// The speed commands report the change since their previous call.
int32_t lastX = 0, lastY = 0, lastZ = 0;

PlatformRuntime& platform() { return *PlatformRuntime::current(); }
InputSystem& input() { return *platform().input(); }
InputDevice& keyboard() { return input().keyboard(); }
InputDevice& mouse() { return input().mouse(); }

// Waits for a press with a result: the device's next code, turned into a
// result by convert (0 drops the code); ends the program if it is ended.
template <typename Convert>
int32_t waitFor(InputDevice& device, Convert convert) {
  for (;;) {
    idleOrEnd();
    if (int32_t code = device.next())
      if (int32_t result = convert(code)) return result;
    delayOrEnd(20);
  }
}

int32_t keyDown(int32_t key) { return keyboard().isDown(key); }
int32_t keyHit(int32_t key) { return keyboard().hitCount(key); }

int32_t getKey() {
  int32_t code = keyboard().next();
  return code ? input().toAscii(code) : 0;
}

int32_t waitKey() {
  return waitFor(keyboard(), [](int32_t code) { return input().toAscii(code); });
}

void flushKeys() { keyboard().flush(); }

int32_t mouseDown(int32_t button) { return mouse().isDown(button); }
int32_t mouseHit(int32_t button) { return mouse().hitCount(button); }
int32_t getMouse() { return mouse().next(); }
int32_t waitMouse() {
  return waitFor(mouse(), [](int32_t code) { return code; });
}

int32_t mouseX() { return static_cast<int32_t>(mouse().axis(0)); }
int32_t mouseY() { return static_cast<int32_t>(mouse().axis(1)); }
int32_t mouseZ() { return static_cast<int32_t>(mouse().axis(2) * kWheelNotch); }

int32_t speedOf(int32_t value, int32_t& last) {
  int32_t change = value - last;
  last = value;
  return change;
}

int32_t mouseXSpeed() { return speedOf(mouseX(), lastX); }
int32_t mouseYSpeed() { return speedOf(mouseY(), lastY); }
int32_t mouseZSpeed() { return speedOf(mouseZ(), lastZ); }
void flushMouse() { mouse().flush(); }

void moveMouse(int32_t x, int32_t y) {
  lastX = x;
  lastY = y;
  input().moveMouse(x, y);
}

int32_t joyType(int32_t port) { return input().joystickType(port); }

int32_t joyDown(int32_t button, int32_t port) {
  InputDevice* joy = input().joystick(port);
  return joy ? joy->isDown(button) : 0;
}

int32_t joyHit(int32_t button, int32_t port) {
  InputDevice* joy = input().joystick(port);
  return joy ? joy->hitCount(button) : 0;
}

int32_t getJoy(int32_t port) {
  InputDevice* joy = input().joystick(port);
  return joy ? joy->next() : 0;
}

int32_t waitJoy(int32_t port) {
  InputDevice* joy = input().joystick(port);
  return joy ? waitFor(*joy, [](int32_t code) { return code; }) : 0;
}

template <int Slot>
float joyAxis(int32_t port) {
  InputDevice* joy = input().joystick(port);
  return joy ? joy->axis(Slot) : 0.0f;
}

template <int Slot>
float joyRotation(int32_t port) {
  return joyAxis<Slot>(port) * 180.0f;
}

int32_t joyHat(int32_t port) {
  InputDevice* joy = input().joystick(port);
  return joy ? static_cast<int32_t>(joy->axis(8)) : 0;
}

template <int Slot>
int32_t joyDir(int32_t port) {
  InputDevice* joy = input().joystick(port);
  if (!joy) return 0;
  float v = joy->axis(Slot);
  if (!(v >= -kDirThreshold)) return -1;
  return v > kDirThreshold ? 1 : 0;
}

void flushJoy() {
  for (int port = 0; port < input().joystickCount(); ++port) input().joystick(port)->flush();
}

void enableDirectInput(int32_t enable) { platform().enableDirectInput(enable != 0); }
int32_t directInputEnabled() { return platform().directInputEnabled(); }

bool create() {
  lastX = lastY = lastZ = 0;
  return platform().openInput() != nullptr;
}

void destroy() { platform().closeInput(); }

void link(Registry& r) {
  r.command<"%KeyDown%key", keyDown>();
  r.command<"%KeyHit%key", keyHit>();
  r.command<"%GetKey", getKey>();
  r.command<"%WaitKey", waitKey>();
  r.command<"FlushKeys", flushKeys>();
  r.command<"%MouseDown%button", mouseDown>();
  r.command<"%MouseHit%button", mouseHit>();
  r.command<"%GetMouse", getMouse>();
  r.command<"%WaitMouse", waitMouse>();
  r.command<"%MouseWait", waitMouse>();
  r.command<"%MouseX", mouseX>();
  r.command<"%MouseY", mouseY>();
  r.command<"%MouseZ", mouseZ>();
  r.command<"%MouseXSpeed", mouseXSpeed>();
  r.command<"%MouseYSpeed", mouseYSpeed>();
  r.command<"%MouseZSpeed", mouseZSpeed>();
  r.command<"FlushMouse", flushMouse>();
  r.command<"MoveMouse%x%y", moveMouse>();
  r.command<"%JoyType%port=0", joyType>();
  r.command<"%JoyDown%button%port=0", joyDown>();
  r.command<"%JoyHit%button%port=0", joyHit>();
  r.command<"%GetJoy%port=0", getJoy>();
  r.command<"%WaitJoy%port=0", waitJoy>();
  r.command<"%JoyWait%port=0", waitJoy>();
  r.command<"#JoyX%port=0", joyAxis<0>>();
  r.command<"#JoyY%port=0", joyAxis<1>>();
  r.command<"#JoyZ%port=0", joyAxis<2>>();
  r.command<"#JoyU%port=0", joyAxis<3>>();
  r.command<"#JoyV%port=0", joyAxis<4>>();
  r.command<"#JoyPitch%port=0", joyRotation<5>>();
  r.command<"#JoyYaw%port=0", joyRotation<6>>();
  r.command<"#JoyRoll%port=0", joyRotation<7>>();
  r.command<"%JoyHat%port=0", joyHat>();
  r.command<"%JoyXDir%port=0", joyDir<0>>();
  r.command<"%JoyYDir%port=0", joyDir<1>>();
  r.command<"%JoyZDir%port=0", joyDir<2>>();
  r.command<"%JoyUDir%port=0", joyDir<3>>();
  r.command<"%JoyVDir%port=0", joyDir<4>>();
  r.command<"FlushJoy", flushJoy>();
  r.command<"EnableDirectInput%enable", enableDirectInput>();
  r.command<"%DirectInputEnabled", directInputEnabled>();
}

}  // namespace

const RuntimeModule inputModule{"input", create, destroy, link};

}  // namespace vx
