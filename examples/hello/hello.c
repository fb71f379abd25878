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

  /* 3D dynamics: a ball dropped onto a terrain hill is stopped by its
     triangles and slides down the slope; a lantern swings on key frames set
     one by one; glowing sprites hover over a ground plane that reaches the
     horizon; a line picked straight down finds the hill. */
  _fgraphics3d(320, 240, 32, 2);
  int tiles = _fcreatetexture(64, 64, 1 | 8, 1);
  _fsetbuffer(_ftexturebuffer(tiles, 0));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      if ((x + y) % 2) _fcolor(90, 170, 70);
      else _fcolor(60, 120, 50);
      _frect(x * 16, y * 16, 16, 16, 1);
    }
  int glow = _fcreatetexture(32, 32, 1, 1);
  _fsetbuffer(_ftexturebuffer(glow, 0));
  _fclscolor(0, 0, 0);
  _fcls();
  for (int r = 16; r > 0; r -= 2) {
    _fcolor(255 - r * 12, 200 - r * 10, 60);
    _foval(16 - r, 16 - r, r * 2, r * 2, 1);
  }
  _fsetbuffer(_fbackbuffer());

  camera = _fcreatecamera(0);
  _fcameraclscolor(camera, 120, 170, 230);
  _fpositionentity(camera, 0, 5, -6, 0);
  _frotateentity(camera, 25, 0, 0, 0);
  light = _fcreatelight(1, 0);
  _fturnentity(light, 50, 20, 0, 0);

  /* The hill rises away from the camera: 16 by 16 units, 6 high. */
  int hill = _fcreateterrain(16, 0);
  for (int z = 0; z <= 16; ++z)
    for (int x = 0; x <= 16; ++x) _fmodifyterrain(hill, x, z, z / 16.0f * 0.9f + (x % 2) * 0.03f, 0);
  _fscaleentity(hill, 1, 6, 1, 0);
  _fpositionentity(hill, -8, -3, 0, 0);
  _fterrainshading(hill, 1);
  _fentitytexture(hill, tiles, 0, 0);
  _fentitytype(hill, 2, 0);
  _fentitypickmode(hill, 2, 1);

  int ground = _fcreateplane(4, 0);
  _fpositionentity(ground, 0, -3, 0, 0);
  _fentitytexture(ground, tiles, 0, 0);

  int rolling = _fcreatesphere(12, 0);
  _fscaleentity(rolling, 0.5f, 0.5f, 0.5f, 0);
  _fentityradius(rolling, 0.5f, 0);
  _fentitycolor(rolling, 230, 60, 60);
  _fpositionentity(rolling, 0, 6, 12, 0);
  _fentitytype(rolling, 1, 0);
  _fcollisions(1, 2, 2, 2); /* ellipsoid against polygons, sliding */

  /* The lantern hangs under a pivot whose roll swings from -40 to 40
     degrees over 30 frames and back. */
  int hook = _fcreatepivot(0);
  _fpositionentity(hook, 3.5f, 4, 6, 0);
  int lantern = _fcreatecube(hook);
  _fpositionentity(lantern, 0, -2, 0, 0);
  _fscaleentity(lantern, 0.3f, 0.4f, 0.3f, 0);
  _fentitycolor(lantern, 250, 220, 120);
  _frotateentity(hook, 0, 0, -40, 0);
  _fsetanimkey(hook, 0, 1, 1, 1);
  _frotateentity(hook, 0, 0, 40, 0);
  _fsetanimkey(hook, 30, 1, 1, 1);
  _faddanimseq(hook, 30);
  _fanimate(hook, 2, 1, 0, 0);

  for (int i = 0; i < 5; ++i) {
    int spark = _fcreatesprite(0);
    _fentitytexture(spark, glow, 0, 0);
    _fentityblend(spark, 3);
    _fscalesprite(spark, 0.6f, 0.6f);
    _fpositionentity(spark, -3.0f + i * 1.5f, 3.5f + (i % 2) * 0.5f, 8, 0);
  }

  int touching = 0;
  for (int frame = 0; frame < 90; ++frame) {
    _ftranslateentity(rolling, 0, -0.15f, 0, 0);
    _fupdateworld(1);
    touching += _fcountcollisions(rolling) > 0;
    _frenderworld(1);
    _fcolor(255, 255, 255);
    _ftext(160, 220, __vxStrConst("UpdateWorld: collisions and animation"), 1, 0);
    _fflip(1);
  }
  say_joined("Frames the ball touched the hill: ", __vxStrFromInt(touching));
  say_joined("The ball slid down to z: ", __vxStrFromFloat(_fentityz(rolling, 1)));
  say_joined("The lantern's animation time: ", __vxStrFromFloat(_fanimtime(hook)));
  if (_flinepick(0, 20, 8, 0, -40, 0, 0) == hill)
    say_joined("A line picked down hit the hill at height: ", __vxStrFromFloat(_fpickedy()));
  say_joined("Hill height under it: ", __vxStrFromFloat(_fterrainy(hill, 0, 0, 8)));
  __vxStrStore(&picture, __vxStrConcat(_fsystemproperty(__vxStrConst("tempdir")), __vxStrConst("hello_world.bmp")));
  if (_fsavebuffer(_fbackbuffer(), __vxStrLoad(&picture)))
    say_joined("Last frame of the 3D world saved as ", __vxStrLoad(&picture));
  __vxStrRelease(picture);

  _fruntimestats();
  say("That is all the example does for now.");
}
