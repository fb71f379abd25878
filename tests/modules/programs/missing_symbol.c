/* Calls a command nobody registered. */
#include "testlib.h"

void VX_STDCALL _fnosuchcommand(void);

void __MAIN(void) {
  log_text("never runs");
  _fnosuchcommand();
}
