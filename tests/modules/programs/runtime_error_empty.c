#include "testlib.h"

void __MAIN(void) {
  _fruntimeerror(str(""));
  log_text("unreachable");
}
