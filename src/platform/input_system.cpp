#include "platform/input_system.h"

#include <cmath>

#include "platform/clock.h"
#include "platform/input_playback.h"
#include "platform/key_codes.h"
#include "platform/platform_runtime.h"

namespace vx {

namespace {

// Where each SDL joystick axis goes among the device's axes: x, y, z, then
// the three rotations (pitch, yaw, roll), then the two sliders (u, v).
constexpr int kAxisSlots[] = {0, 1, 2, 5, 6, 7, 3, 4};
constexpr int kHatSlot = 8;
constexpr uint32_t kPollIntervalMs = 3;

float hatDegrees(uint8_t hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 45;
    case SDL_HAT_RIGHT: return 90;
    case SDL_HAT_RIGHTDOWN: return 135;
    case SDL_HAT_DOWN: return 180;
    case SDL_HAT_LEFTDOWN: return 225;
    case SDL_HAT_LEFT: return 270;
    case SDL_HAT_LEFTUP: return 315;
    default: return -1;
  }
}

}  // namespace

struct InputSystem::Joystick {
  SDL_Joystick* handle = nullptr;
  int type = 2;
  uint32_t lastPoll = 0;
  bool polled = false;
  bool buttons[31] = {};
  std::unique_ptr<InputDevice> device;
};

InputSystem::InputSystem(PlatformRuntime& platform)
    : platform_(platform),
      keyboard_([this] { platform_.idle(); }),
      mouse_([this] { platform_.idle(); }) {
  // Recorded input may bring joysticks of its own: attach them first.
  playback_ = InputPlayback::fromEnvironment();
  // Joysticks speak to the focused window only; recorded input plays into
  // a window that may never have the focus (headless runs).
  if (playback_) SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0) {
    if (playback_) playback_->attachJoysticks();
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      SDL_Joystick* handle = SDL_JoystickOpen(i);
      if (!handle) continue;
      auto joystick = std::make_unique<Joystick>();
      joystick->handle = handle;
      joystick->type = SDL_JoystickGetType(handle) == SDL_JOYSTICK_TYPE_GAMECONTROLLER ? 1 : 2;
      Joystick* j = joystick.get();
      joystick->device = std::make_unique<InputDevice>([this, j] { poll(*j); });
      joysticks_.push_back(std::move(joystick));
    }
  }
}

InputSystem::~InputSystem() {
  for (auto& joystick : joysticks_) SDL_JoystickClose(joystick->handle);
  joysticks_.clear();
  playback_.reset();
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

InputDevice* InputSystem::joystick(int port) {
  return port >= 0 && port < joystickCount() ? joysticks_[port]->device.get() : nullptr;
}

int InputSystem::joystickType(int port) const {
  return port >= 0 && port < joystickCount() ? joysticks_[port]->type : 0;
}

void InputSystem::poll(Joystick& j) {
  uint32_t now = monotonicMillis();
  if (j.polled && now - j.lastPoll < kPollIntervalMs) return;
  j.polled = true;
  j.lastPoll = now;
  platform_.idle();
  SDL_JoystickUpdate();
  InputDevice& device = *j.device;
  int axes = SDL_JoystickNumAxes(j.handle);
  for (int a = 0; a < axes && a < 8; ++a) {
    float value = (static_cast<float>(SDL_JoystickGetAxis(j.handle, a)) + 32768.0f) / 65535.0f * 2.0f - 1.0f;
    device.setAxis(kAxisSlots[a], value);
  }
  device.setAxis(kHatSlot, SDL_JoystickNumHats(j.handle) > 0 ? hatDegrees(SDL_JoystickGetHat(j.handle, 0)) : -1);
  int buttons = SDL_JoystickNumButtons(j.handle);
  for (int b = 0; b < 31; ++b) {
    bool down = b < buttons && SDL_JoystickGetButton(j.handle, b);
    if (down && !j.buttons[b]) device.pressed(b + 1);
    if (!down && j.buttons[b]) device.released(b + 1);
    j.buttons[b] = down;
  }
}

void InputSystem::handleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
      // Auto-repeat is not a press.
      if (!event.key.repeat)
        if (int code = keyCodeOf(event.key.keysym.scancode)) keyboard_.pressed(code);
      break;
    case SDL_KEYUP:
      if (int code = keyCodeOf(event.key.keysym.scancode)) keyboard_.released(code);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int button = event.button.button == SDL_BUTTON_LEFT    ? 1
                   : event.button.button == SDL_BUTTON_RIGHT ? 2
                   : event.button.button == SDL_BUTTON_MIDDLE ? 3
                                                             : 0;
      if (!button) break;
      if (event.type == SDL_MOUSEBUTTONDOWN)
        mouse_.pressed(button);
      else
        mouse_.released(button);
      break;
    }
    case SDL_MOUSEWHEEL:
      // One notch is 120, as wheel deltas are counted.
      addMouseWheel(static_cast<int>(std::lround(event.wheel.preciseY * 120.0f)));
      break;
    default:
      break;
  }
}

void InputSystem::setMousePosition(int x, int y) {
  mouse_.setAxis(0, static_cast<float>(x));
  mouse_.setAxis(1, static_cast<float>(y));
}

void InputSystem::addMouseWheel(int delta) { mouse_.addToAxis(2, static_cast<float>(delta)); }

void InputSystem::moveMouse(int x, int y) {
  setMousePosition(x, y);
  platform_.moveMouse(x, y);
}

void InputSystem::resetAll() {
  mouse_.reset();
  keyboard_.reset();
  for (auto& joystick : joysticks_) joystick->device->reset();
}

int InputSystem::toAscii(int code) {
  bool shift = keyboard_.isDown(42) || keyboard_.isDown(54);
  bool control = keyboard_.isDown(29) || keyboard_.isDown(157);
  return keyCharacter(code, shift, control);
}

void InputSystem::playBack() {
  if (playback_) playback_->pushDueEvents();
}

}  // namespace vx
