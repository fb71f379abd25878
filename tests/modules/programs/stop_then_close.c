/* Stop suspends the program until it is resumed or its window is closed. */
#include "testlib.h"

void __MAIN(void) {
  log_text("stopping");
  _fstop();
  log_text("resumed");
}
