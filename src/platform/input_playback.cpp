#include "platform/input_playback.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/key_codes.h"

namespace vx {

namespace {

constexpr int kVirtualAxes = 8;
constexpr int kVirtualButtons = 31;

uint8_t hatOf(float degrees) {
  switch (static_cast<int>(degrees)) {
    case 0: return SDL_HAT_UP;
    case 45: return SDL_HAT_RIGHTUP;
    case 90: return SDL_HAT_RIGHT;
    case 135: return SDL_HAT_RIGHTDOWN;
    case 180: return SDL_HAT_DOWN;
    case 225: return SDL_HAT_LEFTDOWN;
    case 270: return SDL_HAT_LEFT;
    case 315: return SDL_HAT_LEFTUP;
    default: return SDL_HAT_CENTERED;
  }
}

}  // namespace

std::unique_ptr<InputPlayback> InputPlayback::fromEnvironment() {
  const char* path = std::getenv("VX_INPUT_PLAYBACK");
  if (!path || !*path) return nullptr;
  std::ifstream in(path);
  if (!in) return nullptr;
  std::stringstream text;
  text << in.rdbuf();
  return std::make_unique<InputPlayback>(text.str());
}

InputPlayback::InputPlayback(const std::string& text) : start_(SDL_GetTicks()) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    Event e{0, "", 0, 0, 0};
    if (!(words >> e.at >> e.kind)) continue;
    words >> e.a >> e.b >> e.c;
    events_.push_back(e);
  }
  std::stable_sort(events_.begin(), events_.end(), [](const Event& x, const Event& y) { return x.at < y.at; });
}

InputPlayback::~InputPlayback() {
  for (SDL_Joystick* j : joysticks_) SDL_JoystickClose(j);
}

void InputPlayback::attachJoysticks() {
  int ports = 0;
  for (const Event& e : events_)
    if (e.kind.rfind("joy_", 0) == 0) ports = std::max(ports, static_cast<int>(e.a) + 1);
  for (int port = 0; port < ports; ++port) {
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, kVirtualAxes, kVirtualButtons, 1);
    SDL_Joystick* j = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    if (!j) break;
    joysticks_.push_back(j);
  }
}

void InputPlayback::pushDueEvents() {
  uint32_t now = SDL_GetTicks() - start_;
  while (next_ < events_.size() && events_[next_].at <= now) apply(events_[next_++]);
}

void InputPlayback::apply(const Event& e) {
  SDL_Event event{};
  auto port = [&]() -> SDL_Joystick* {
    int p = static_cast<int>(e.a);
    return p >= 0 && p < static_cast<int>(joysticks_.size()) ? joysticks_[p] : nullptr;
  };
  if (e.kind == "key_down" || e.kind == "key_up") {
    event.type = e.kind == "key_down" ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.keysym.scancode = scancodeOf(static_cast<int>(e.a));
    event.key.state = e.kind == "key_down" ? SDL_PRESSED : SDL_RELEASED;
  } else if (e.kind == "button_down" || e.kind == "button_up") {
    event.type = e.kind == "button_down" ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    int b = static_cast<int>(e.a);
    event.button.button = b == 1 ? SDL_BUTTON_LEFT : b == 2 ? SDL_BUTTON_RIGHT : SDL_BUTTON_MIDDLE;
  } else if (e.kind == "wheel") {
    event.type = SDL_MOUSEWHEEL;
    event.wheel.preciseY = e.a / 120.0f;
    event.wheel.y = static_cast<int>(e.a / 120.0f);
  } else if (e.kind == "motion") {
    event.type = SDL_MOUSEMOTION;
    event.motion.x = static_cast<int>(e.a);
    event.motion.y = static_cast<int>(e.b);
  } else if (e.kind == "close") {
    event.type = SDL_QUIT;
  } else if (e.kind == "joy_axis") {
    if (SDL_Joystick* j = port()) {
      float v = std::clamp(e.c, -1.0f, 1.0f);
      SDL_JoystickSetVirtualAxis(j, static_cast<int>(e.b), static_cast<Sint16>(v < 0 ? v * 32768.0f : v * 32767.0f));
    }
    return;
  } else if (e.kind == "joy_button") {
    if (SDL_Joystick* j = port()) SDL_JoystickSetVirtualButton(j, static_cast<int>(e.b) - 1, e.c != 0 ? 1 : 0);
    return;
  } else if (e.kind == "joy_hat") {
    if (SDL_Joystick* j = port()) SDL_JoystickSetVirtualHat(j, 0, hatOf(e.b));
    return;
  } else {
    return;
  }
  SDL_PushEvent(&event);
}

}  // namespace vx
