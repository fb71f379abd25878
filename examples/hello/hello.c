/* The example program: what the runtime can do so far. Run it with
   VX_DEBUG=1 to see its log on the console. */
#include <vexel.h>

static void say(const char* text) { _fdebuglog(__vxStrConst(text)); }

static void say_joined(const char* label, VxString* value) {
  _fdebuglog(__vxStrConcat(__vxStrConst(label), value));
}

void __MAIN(void) {
  say("Hello from a Vexel Basic module.");

  /* Strings are values: every routine consumes what it is given. */
  VxString* greeting = 0;
  __vxStrStore(&greeting, __vxStrConst("Vexel"));
  __vxStrStore(&greeting, __vxStrConcat(__vxStrLoad(&greeting), __vxStrConst(" Basic")));
  say_joined("Joined: ", __vxStrLoad(&greeting));

  /* Numbers print the way the language prints them. */
  say_joined("Integer: ", __vxStrFromInt(-2147483647 - 1));
  say_joined("Float: ", __vxStrFromFloat(12345.678f));
  say_joined("Large float: ", __vxStrFromFloat(1234567890.0f));
  say_joined("Parsed: ", __vxStrFromFloat(__vxStrToFloat(__vxStrConst("  -2.5e-3 units"))));
  volatile float zero = 0.0f;
  say_joined("One over zero: ", __vxStrFromFloat(1.0f / zero));

  __vxStrRelease(greeting);
  _fruntimestats();

  /* A runtime error ends the program with its message. */
  _fruntimeerror(__vxStrConst("That is all the example does for now."));
}
