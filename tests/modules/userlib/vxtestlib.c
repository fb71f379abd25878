/* A user library as programs declare them: standard-call functions. */
#include <ctype.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default"), stdcall))

EXPORT int add_numbers(int a, int b) { return a + b; }

EXPORT float scale(float value, int times) { return value * (float)times; }

/* Upper-cases text into a buffer of its own. */
EXPORT const char* shout(const char* text) {
  static char buffer[256];
  size_t i = 0;
  for (; text[i] && i < sizeof buffer - 1; ++i) buffer[i] = (char)toupper((unsigned char)text[i]);
  buffer[i] = 0;
  return buffer;
}
