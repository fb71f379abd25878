#include "testlib.h"

static char message[301];

void __MAIN(void) {
  for (int i = 0; i < 300; ++i) message[i] = (char)('a' + i % 26);
  _fruntimeerror(str(message));
  log_text("unreachable");
}
