/* String routines and number text as compiled code uses them. */
#include "testlib.h"

static VxString* variables[600];

static void log_floats(void) {
  static const float values[] = {0.0f,       1.0f,        1.5f,   100.0f, 0.001f, 12345.678f,
                                 1234567.0f, -2.5f,       1e9f,   1234567890.0f, 0.0001f,
                                 123456789.0f, 12345678.0f};
  for (unsigned i = 0; i < sizeof values / sizeof values[0]; ++i) log_float(values[i]);
  volatile float zero = 0.0f;
  log_float(1.0f / zero);
  log_float(-1.0f / zero);
  log_float(zero / zero);
}

void __MAIN(void) {
  log_text("strings");
  _fdebuglog(__vxStrConcat(str("abc"), str("def")));
  log_int(__vxStrCompare(str("abc"), str("abd")));
  log_int(__vxStrCompare(str("abc"), str("ab")));
  log_int(__vxStrToInt(str("  -42abc")));
  log_float(__vxStrToFloat(str("2.5e3")));
  log_floats();

  /* The unit computes at single precision while the program runs. */
  volatile double one = 1.0, three = 3.0;
  double third = one / three;
  log_int(third == (double)(float)third);

  _fruntimestats();
  VxString* name = 0;
  __vxStrStore(&name, str("player"));
  for (int i = 0; i < 1000; ++i) {
    VxString* s = __vxStrConcat(__vxStrLoad(&name), __vxStrFromInt(i));
    if (__vxStrCompare(s, __vxStrLoad(&name)) <= 0) log_text("wrong order");
  }
  __vxStrRelease(name);
  _fruntimestats();

  for (int i = 0; i < 513; ++i) __vxStrStore(&variables[i], __vxStrFromInt(i));
  _fruntimestats();
}
