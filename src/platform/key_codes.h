#pragma once
// Key codes as programs know them: the keyboard scan codes 1..255 of the
// PC keyboard, extended keys being their scan code + 128 (cursor up is 200).

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace vx {

// The key code of an SDL scancode; 0 for keys programs have no code for.
int keyCodeOf(SDL_Scancode scancode);

// Every key code programs have, named after its SDL scancode ("ESCAPE",
// "LEFT", "KP_7"); the SDK header defines them as VX_KEY_ESCAPE and so on.
struct NamedKeyCode {
  const char* name;
  int code;
};
std::vector<NamedKeyCode> namedKeyCodes();

// The SDL scancode of a key code; SDL_SCANCODE_UNKNOWN when none.
SDL_Scancode scancodeOf(int keyCode);

// The character a key gives with the current keyboard layout and shift
// state: the fixed codes of the cursor keys (home 1, up 28, page up 5,
// left 31, right 30, end 2, down 29, page down 6, insert 3, delete 4), else
// the layout's character, shifted when shift is down; 0 when none.
int keyCharacter(int keyCode, bool shift, bool control);

}  // namespace vx
