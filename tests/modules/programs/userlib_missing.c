/* A library that is nowhere: the program runs until it calls into it. */
#include "libs_table.h"
#include "testlib.h"

typedef int(VX_STDCALL* Fn)(int);
static Fn lost;

static struct __attribute__((packed)) {
  LIB_NAME(lib, "nosuchlibrary.dll");
  LIB_FUNC(lost, "lost_function");
  LIB_END(end1);
  LIB_END(end);
} libs = {"nosuchlibrary.dll", "lost_function", &lost, 0, 0};

void __MAIN(void) {
  __vxLoadLibs((const char*)&libs);
  log_text("loaded");
  log_int(lost(1));
  log_text("unreachable");
}
