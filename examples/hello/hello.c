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

  /* Graphics: a window of its own, a second of animation drawn on the
     back buffer and flipped, and the last frame saved as a BMP file. */
  _fgraphics(320, 240, 32, 2);
  /* An image drawn once and turned, and text in an installed font. */
  int ball = _fcreateimage(24, 24, 1);
  _fsetbuffer(_fimagebuffer(ball, 0));
  _fcolor(0, 220, 120);
  _foval(0, 0, 24, 12, 1);
  _fmidhandle(ball);
  _frotateimage(ball, 30.0f);
  int font = _floadfont(__vxStrConst("arial"), 18, 1, 0, 0);
  _fsetbuffer(_fbackbuffer());
  _fsetfont(font);
  _fclscolor(16, 24, 64);
  for (int frame = 0; frame < 60; ++frame) {
    _fcls();
    _fcolor(255, 255, 255);
    _ftext(160, 24, __vxStrConst("Hello from Vexel Basic"), 1, 0);
    _fdrawimage(ball, 300 - frame * 4, 160, 0);
    _fcolor(255, 200, 0);
    _foval(20 + frame * 4, 90, 40, 40, 1);
    _fcolor(255, 255, 255);
    _frect(10, 10, 300, 220, 0);
    _fline(10, 10, 310, 230);
    for (int x = 0; x < 256; ++x) _fwritepixelfast(32 + x, 200, (x << 16) | (255 - x), 0);
    _fflip(1);
  }
  VxString* picture = 0;
  __vxStrStore(&picture, __vxStrConcat(_fsystemproperty(__vxStrConst("tempdir")), __vxStrConst("hello.bmp")));
  if (_fsavebuffer(_fbackbuffer(), __vxStrLoad(&picture)))
    say_joined("Last frame saved as ", __vxStrLoad(&picture));
  say_joined("Graphics mode: ", __vxStrConcat(__vxStrConcat(__vxStrFromInt(_fgraphicswidth()), __vxStrConst(" x ")),
                                              __vxStrFromInt(_fgraphicsheight())));

  /* 3D: a lit, textured cube turning beside a sphere, rendered into the
     back buffer with 2D text drawn over the scene. */
  _fgraphics3d(320, 240, 32, 2);
  int checker = _fcreatetexture(64, 64, 0, 1);
  _fsetbuffer(_ftexturebuffer(checker, 0));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      if ((x + y) % 2) _fcolor(240, 200, 40);
      else _fcolor(40, 90, 220);
      _frect(x * 16, y * 16, 16, 16, 1);
    }
  _fsetbuffer(_fbackbuffer());
  int camera = _fcreatecamera(0);
  _fcameraclscolor(camera, 16, 24, 64);
  int light = _fcreatelight(1, 0);
  _fturnentity(light, 45, 30, 0, 0);
  int cube = _fcreatecube(0);
  _fpositionentity(cube, -1.5f, 0, 5, 0);
  _fentitytexture(cube, checker, 0, 0);
  int sphere = _fcreatesphere(16, 0);
  _fpositionentity(sphere, 1.5f, 0, 5, 0);
  _fentitycolor(sphere, 255, 120, 60);
  for (int frame = 0; frame < 60; ++frame) {
    _fturnentity(cube, 1, 2, 0, 0);
    _frenderworld(1);
    _fcolor(255, 255, 255);
    _ftext(160, 200, __vxStrConst("RenderWorld with text over it"), 1, 0);
    _fflip(1);
  }
  say_joined("Triangles in the last 3D frame: ", __vxStrFromInt(_ftrisrendered()));
  __vxStrStore(&picture, __vxStrConcat(_fsystemproperty(__vxStrConst("tempdir")), __vxStrConst("hello3d.bmp")));
  if (_fsavebuffer(_fbackbuffer(), __vxStrLoad(&picture)))
    say_joined("Last 3D frame saved as ", __vxStrLoad(&picture));
  __vxStrRelease(picture);

  _fruntimestats();

  /* A runtime error ends the program with its message. */
  _fruntimeerror(__vxStrConst("That is all the example does for now."));
}
