/* Ends with the error the command line names. */
#include "testlib.h"

static int __DATA[] = {1, 1, 9, 0, 0, 0};

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

void __MAIN(void) {
  log_text("start");
  if (!is("unrestored")) __vxRestore(__DATA);
  if (is("bad")) {
    log_int(__vxReadInt());
    log_int(__vxReadInt());
  }
  if (is("out")) {
    __vxRestore(&__DATA[4]);
    _fdebuglog(__vxReadStr());
  }
  if (is("unrestored")) log_float(__vxReadFloat());
  if (is("nullobj")) __vxNullObjEx();
  log_text("unreachable");
}
