#include "testlib.h"

void __MAIN(void) {
  volatile int zero = 0;
  log_text("dividing");
  log_int(7 / zero);
}
