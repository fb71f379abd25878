/* Leaves files open and ends in the way VX_END names: 0 returns, 1 End,
   2 RuntimeError, 3 a memory fault. */
#include "testlib.h"

void __MAIN(void) {
  int how = __vxStrToInt(_fgetenv(str("VX_END")));
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  int f = _fwritefile(str("left.txt"));
  for (int i = 0; i < 1000; ++i) _fwriteline(f, __vxStrFromInt(i));
  int g = _fopenfile(str("existing.bin"));
  _fwriteint(g, 0x44434241);
  log_text("written");
  if (how == 1) _fend();
  if (how == 2) _fruntimeerror(str("stopped here"));
  if (how == 3) {
    int* volatile nowhere = (int*)16;
    *nowhere = 1;
  }
}
