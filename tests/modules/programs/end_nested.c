/* End from deep inside nested calls. */
#include "testlib.h"

static void descend(int depth) {
  if (depth == 0) {
    log_text("ending");
    _fend();
    return;
  }
  descend(depth - 1);
  log_text("unreachable");
}

void __MAIN(void) {
  descend(10);
  log_text("unreachable");
}
