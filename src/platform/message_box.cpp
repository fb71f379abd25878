#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vx {

bool haveDisplay() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) return false;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

namespace {

MessageBoxAnswer writeToConsole(const char* caption, const char* text) {
  std::fflush(stdout);
  if (caption && *caption)
    std::fprintf(stderr, "%s: %s\n", caption, text);
  else
    std::fprintf(stderr, "%s\n", text);
  std::fflush(stderr);
  return MessageBoxAnswer::Ok;
}

}  // namespace

MessageBoxAnswer showMessageBox(const char* caption, const char* text, MessageBoxButtons buttons) {
  if (!haveDisplay()) return writeToConsole(caption, text);

  const SDL_MessageBoxButtonData okCancel[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
  };
  const SDL_MessageBoxButtonData ok[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"}};
  SDL_MessageBoxData data{};
  data.flags = buttons == MessageBoxButtons::OkCancel ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  data.title = caption ? caption : "";
  data.message = text;
  data.numbuttons = buttons == MessageBoxButtons::OkCancel ? 2 : 1;
  data.buttons = buttons == MessageBoxButtons::OkCancel ? okCancel : ok;
  int pressed = 0;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) return writeToConsole(caption, text);
  return pressed == 1 ? MessageBoxAnswer::Ok : MessageBoxAnswer::Cancel;
}

}  // namespace vx
