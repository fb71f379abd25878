#pragma once
// Recorded input fed into the event loop, so that programs that wait for
// keys, buttons or joysticks run without a person. The file named by
// VX_INPUT_PLAYBACK holds one event a line, at a time in milliseconds after
// input was opened ('#' starts a comment):
//
//   100 key_down 30        key codes as programs know them (30 is A)
//   150 key_up 30
//   200 button_down 1      mouse buttons 1 left, 2 right, 3 middle
//   250 button_up 1
//   300 wheel 120          raw wheel delta, 120 a notch
//   350 motion 10 20       pointer position in the window
//   400 joy_axis 0 1 -0.5  joystick port, SDL axis, value -1..1
//   450 joy_button 0 3 1   port, button 1..31, 1 down or 0 up
//   500 joy_hat 0 90       port, degrees or -1 centred
//   600 close              the window's close button
//
// Joysticks named by the events are attached as virtual SDL joysticks.

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

namespace vx {

class InputPlayback {
 public:
  // Null when VX_INPUT_PLAYBACK is not set or its file cannot be read.
  static std::unique_ptr<InputPlayback> fromEnvironment();
  // Reads events from text; lines that do not parse are skipped.
  explicit InputPlayback(const std::string& text);
  ~InputPlayback();

  void attachJoysticks();
  void pushDueEvents();

 private:
  struct Event {
    uint32_t at;
    std::string kind;
    float a, b, c;
  };
  void apply(const Event& event);

  std::vector<Event> events_;
  size_t next_ = 0;
  uint32_t start_;
  std::vector<SDL_Joystick*> joysticks_;
};

}  // namespace vx
