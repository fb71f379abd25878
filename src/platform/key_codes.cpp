#include "platform/key_codes.h"

#include <array>

namespace vx {

namespace {

struct KeyPair {
  SDL_Scancode scancode;
  uint8_t code;
  const char* name;  // SDL's name of the scancode
};

#define KEY(name, code) \
  { SDL_SCANCODE_##name, code, #name }

// clang-format off
constexpr KeyPair kKeys[] = {
    KEY(ESCAPE, 1),   KEY(1, 2),        KEY(2, 3),
    KEY(3, 4),        KEY(4, 5),        KEY(5, 6),
    KEY(6, 7),        KEY(7, 8),        KEY(8, 9),
    KEY(9, 10),       KEY(0, 11),       KEY(MINUS, 12),
    KEY(EQUALS, 13),  KEY(BACKSPACE, 14), KEY(TAB, 15),
    KEY(Q, 16),       KEY(W, 17),       KEY(E, 18),
    KEY(R, 19),       KEY(T, 20),       KEY(Y, 21),
    KEY(U, 22),       KEY(I, 23),       KEY(O, 24),
    KEY(P, 25),       KEY(LEFTBRACKET, 26), KEY(RIGHTBRACKET, 27),
    KEY(RETURN, 28),  KEY(LCTRL, 29),   KEY(A, 30),
    KEY(S, 31),       KEY(D, 32),       KEY(F, 33),
    KEY(G, 34),       KEY(H, 35),       KEY(J, 36),
    KEY(K, 37),       KEY(L, 38),       KEY(SEMICOLON, 39),
    KEY(APOSTROPHE, 40), KEY(GRAVE, 41), KEY(LSHIFT, 42),
    KEY(BACKSLASH, 43), KEY(Z, 44),     KEY(X, 45),
    KEY(C, 46),       KEY(V, 47),       KEY(B, 48),
    KEY(N, 49),       KEY(M, 50),       KEY(COMMA, 51),
    KEY(PERIOD, 52),  KEY(SLASH, 53),   KEY(RSHIFT, 54),
    KEY(KP_MULTIPLY, 55), KEY(LALT, 56), KEY(SPACE, 57),
    KEY(CAPSLOCK, 58), KEY(F1, 59),     KEY(F2, 60),
    KEY(F3, 61),      KEY(F4, 62),      KEY(F5, 63),
    KEY(F6, 64),      KEY(F7, 65),      KEY(F8, 66),
    KEY(F9, 67),      KEY(F10, 68),     KEY(NUMLOCKCLEAR, 69),
    KEY(SCROLLLOCK, 70), KEY(KP_7, 71), KEY(KP_8, 72),
    KEY(KP_9, 73),    KEY(KP_MINUS, 74), KEY(KP_4, 75),
    KEY(KP_5, 76),    KEY(KP_6, 77),    KEY(KP_PLUS, 78),
    KEY(KP_1, 79),    KEY(KP_2, 80),    KEY(KP_3, 81),
    KEY(KP_0, 82),    KEY(KP_PERIOD, 83), KEY(NONUSBACKSLASH, 86),
    KEY(F11, 87),     KEY(F12, 88),     KEY(F13, 100),
    KEY(F14, 101),    KEY(F15, 102),    KEY(KP_EQUALS, 141),
    KEY(KP_ENTER, 156), KEY(RCTRL, 157), KEY(KP_COMMA, 179),
    KEY(KP_DIVIDE, 181), KEY(PRINTSCREEN, 183), KEY(RALT, 184),
    KEY(PAUSE, 197),  KEY(HOME, 199),   KEY(UP, 200),
    KEY(PAGEUP, 201), KEY(LEFT, 203),   KEY(RIGHT, 205),
    KEY(END, 207),    KEY(DOWN, 208),   KEY(PAGEDOWN, 209),
    KEY(INSERT, 210), KEY(DELETE, 211), KEY(LGUI, 219),
    KEY(RGUI, 220),   KEY(APPLICATION, 221),
};
// clang-format on
#undef KEY

struct Tables {
  std::array<uint8_t, SDL_NUM_SCANCODES> codeOf{};
  std::array<SDL_Scancode, 256> scancodeOf{};
  constexpr Tables() {
    for (SDL_Scancode& s : scancodeOf) s = SDL_SCANCODE_UNKNOWN;
    for (const KeyPair& k : kKeys) {
      codeOf[k.scancode] = k.code;
      scancodeOf[k.code] = k.scancode;
    }
  }
};

constexpr Tables kTables;

// What shift makes of the unshifted characters that are not letters.
char shifted(char c) {
  static const char from[] = "1234567890-=[];'`\\,./";
  static const char to[] = "!@#$%^&*()_+{}:\"~|<>?";
  for (int i = 0; from[i]; ++i)
    if (from[i] == c) return to[i];
  return c;
}

}  // namespace

int keyCodeOf(SDL_Scancode scancode) {
  return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? kTables.codeOf[scancode] : 0;
}

std::vector<NamedKeyCode> namedKeyCodes() {
  std::vector<NamedKeyCode> all;
  for (const KeyPair& k : kKeys) all.push_back({k.name, k.code});
  return all;
}

SDL_Scancode scancodeOf(int keyCode) {
  return keyCode > 0 && keyCode < 256 ? kTables.scancodeOf[keyCode] : SDL_SCANCODE_UNKNOWN;
}

int keyCharacter(int keyCode, bool shift, bool control) {
  switch (keyCode) {
    case 199: return 1;
    case 200: return 28;
    case 201: return 5;
    case 203: return 31;
    case 205: return 30;
    case 207: return 2;
    case 208: return 29;
    case 209: return 6;
    case 210: return 3;
    case 211: return 4;
    default: break;
  }
  SDL_Scancode scancode = scancodeOf(keyCode);
  if (scancode == SDL_SCANCODE_UNKNOWN) return 0;
  SDL_Keycode key = SDL_GetKeyFromScancode(scancode);
  switch (key) {
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_KP_DIVIDE: return '/';
    case SDLK_KP_MULTIPLY: return '*';
    case SDLK_KP_MINUS: return '-';
    case SDLK_KP_PLUS: return '+';
    case SDLK_KP_PERIOD: return '.';
    default: break;
  }
  if (key >= SDLK_KP_1 && key <= SDLK_KP_0) {
    return key == SDLK_KP_0 ? '0' : static_cast<int>('1' + (key - SDLK_KP_1));
  }
  // Keys that give no character in the layout (function keys, modifiers).
  if (key <= 0 || key >= 127) return 0;
  char c = static_cast<char>(key);
  if (c >= 'a' && c <= 'z') {
    if (control) return c - 'a' + 1;
    return shift ? c - 'a' + 'A' : c;
  }
  if (control) return 0;
  return static_cast<unsigned char>(shift ? shifted(c) : c);
}

}  // namespace vx
