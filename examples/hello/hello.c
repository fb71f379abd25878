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

  /* Math and string commands. */
  say_joined("Sin 30: ", __vxStrFromFloat(_fsin(30.0f)));
  say_joined("Upper: ", _fupper(_fmid(__vxStrLoad(&greeting), 7, -1)));
  say_joined("Hex: ", _fhex(48879));
  say_joined("A die roll: ", __vxStrFromInt(_frand(1, 6)));
  say_joined("Today: ", _fcurrentdate());
  __vxStrRelease(greeting);

  /* The program and its surroundings. */
  say_joined("Arguments: ", _fcommandline());
  say_joined("Running on: ", _fsystemproperty(__vxStrConst("os")));
  say_joined("Program directory: ", _fsystemproperty(__vxStrConst("appdir")));

  /* A 30 hertz frame timer: ten frames take about a third of a second. */
  int timer = _fcreatetimer(30);
  int start = _fmillisecs();
  int frames = 0;
  while (frames < 10) frames += _fwaittimer(timer);
  _ffreetimer(timer);
  say_joined("Ten frames took (ms): ", __vxStrFromInt(_fmillisecs() - start));

  /* Files: a line written, its size, the line read back. */
  VxString* path = 0;
  __vxStrStore(&path, __vxStrConcat(_fsystemproperty(__vxStrConst("tempdir")), __vxStrConst("hello.txt")));
  int out = _fwritefile(__vxStrLoad(&path));
  _fwriteline(out, __vxStrConst("Written and read back by the example."));
  _fclosefile(out);
  say_joined("File size: ", __vxStrFromInt(_ffilesize(__vxStrLoad(&path))));
  int in = _freadfile(__vxStrLoad(&path));
  say_joined("Read: ", _freadline(in));
  _fclosefile(in);
  _fdeletefile(__vxStrLoad(&path));
  __vxStrRelease(path);

  /* Banks: raw memory with typed access. */
  int bank = _fcreatebank(16);
  _fpokeint(bank, 4, 123456);
  say_joined("Bank holds: ", __vxStrFromInt(_fpeekint(bank, 4)));
  _ffreebank(bank);

  _fruntimestats();

  /* A runtime error ends the program with its message. */
  _fruntimeerror(__vxStrConst("That is all the example does for now."));
}
