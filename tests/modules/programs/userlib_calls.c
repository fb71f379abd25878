/* Calls into a user library found under vexelpath's userlibs directory. */
#include "libs_table.h"
#include "testlib.h"

typedef int(VX_STDCALL* AddFn)(int, int);
typedef float(VX_STDCALL* ScaleFn)(float, int);
typedef const char*(VX_STDCALL* ShoutFn)(const char*);
typedef void(VX_STDCALL* VoidFn)(void);

static AddFn add_numbers, add_again;
static ScaleFn scale;
static ShoutFn shout;
static VoidFn not_exported;

static struct __attribute__((packed)) {
  LIB_NAME(lib, "vxtestlib.dll");
  LIB_FUNC(add, "add_numbers");
  LIB_FUNC(scale, "scale");
  LIB_FUNC(shout, "shout");
  LIB_FUNC(missing, "not_exported");
  LIB_END(end1);
  LIB_NAME(again, "vxtestlib.dll"); /* listed twice: loaded twice */
  LIB_FUNC(add2, "add_numbers");
  LIB_END(end2);
  LIB_END(end);
} libs = {"vxtestlib.dll", "add_numbers", &add_numbers, "scale", &scale, "shout", &shout,
          "not_exported", &not_exported, 0, "vxtestlib.dll", "add_numbers", &add_again, 0, 0};

void __MAIN(void) {
  __vxLoadLibs((const char*)&libs);
  log_int(add_numbers(40, 2));
  log_int(add_again(1, 2));
  log_float(scale(1.5f, 3));
  _fdebuglog(__vxCStrToStr(shout(__vxStrToCStr(str("quiet words")))));

  /* C strings live in a ring of 256 buffers. */
  const char* first = __vxStrToCStr(str("first"));
  const char* last = first;
  for (int i = 0; i < 255; ++i) last = __vxStrToCStr(str("x"));
  log_int(last == first);
  log_int(__vxStrToCStr(str("again")) == first);

  _fruntimestats();
  not_exported();
  log_text("unreachable");
}
