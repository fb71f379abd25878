/* Sprites, mirrors and planes rendered headless at 128 by 96: what the back
   buffer holds after RenderWorld. A camera at distance 5 sees one unit as
   12.8 pixels at the centre of the view. The scenario is the command
   line's first word; the plane scenario saves the back buffer to the file
   its second word names. */
#include "testlib.h"

/* The command line's first word (0) or the rest after it (1). */
static VxString* arg(int n) {
  VxString* line = _fcommandline();
  int space = _finstr(_fcommandline(), str(" "), 1);
  if (n == 0) return space ? _fleft(line, space - 1) : line;
  return space ? _fmid(line, space + 1, -1) : str("");
}

static int is(const char* name) { return __vxStrCompare(arg(0), str(name)) == 0; }

static int lit(int x, int y) { return (_freadpixelfast(x, y, 0) & 0xFFFFFF) != 0; }

static int column(int x) {
  int n = 0;
  for (int y = 0; y < 96; ++y) n += lit(x, y);
  return n;
}

static int row(int y) {
  int n = 0;
  for (int x = 0; x < 128; ++x) n += lit(x, y);
  return n;
}

/* A channel in rounded eighths, 0..8. */
static int eighths(int c, int shift) { return (((c >> shift) & 255) + 16) >> 5; }

static void log_coarse(int x, int y) {
  int c = _freadpixelfast(x, y, 0);
  log_int(eighths(c, 16) * 100 + eighths(c, 8) * 10 + eighths(c, 0));
}

/* The extent of what was drawn across the centre: width, then height. */
static void log_extent(void) {
  _frenderworld(1);
  log_int(row(48));
  log_int(column(64));
}

static int viewer(void) {
  _fgraphics3d(128, 96, 0, 2);
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 0, 0, -5, 0);
  return camera;
}

static int coloured_sprite(int red, int green, int blue) {
  int sprite = _fcreatesprite(0);
  _fentitycolor(sprite, red, green, blue);
  return sprite;
}

/* Each view mode against a sprite that is turned, rolled or seen from the
   side. */
static void modes(void) {
  int camera = viewer();
  int s = coloured_sprite(255, 0, 0);
  _frotateentity(s, 0, 90, 0, 0); /* edge on to the camera by its own turn */
  log_extent();                   /* mode 1 faces the camera all the same */
  _fspriteviewmode(s, 2);
  _frenderworld(1);
  log_int(row(48) <= 1);

  _frotateentity(s, 0, 0, 90, 0); /* rolled: its up is the camera's left */
  _fscalesprite(s, 2, 0.5f);      /* wide */
  _fspriteviewmode(s, 1);
  log_extent(); /* wide: mode 1 takes the camera's orientation */
  _fspriteviewmode(s, 3);
  log_extent(); /* tall: mode 3 keeps its own up */
  _fspriteviewmode(s, 7);
  log_extent(); /* as mode 2: rolled and wide, so tall */

  _fscalesprite(s, 1, 1);
  _frotateentity(s, 0, 0, 0, 0);
  _fpositionentity(camera, -5, 0, 0, 0);
  _frotateentity(camera, 0, -90, 0, 0); /* looking along +x at its edge */
  _fspriteviewmode(s, 2);
  _frenderworld(1);
  log_int(row(48) <= 1);
  _fspriteviewmode(s, 4);
  log_extent(); /* turned about its vertical axis to face the camera */

  _fpositionentity(camera, 0, 5, -5, 0);
  _frotateentity(camera, 45, 0, 0, 0); /* looking down at 45 degrees */
  _fspriteviewmode(s, 1);
  log_extent();
  _fspriteviewmode(s, 4); /* stays upright: seen foreshortened */
  log_extent();
}

/* The handle, the sprite's rotation and scales, and their tweening. */
static void shape(void) {
  viewer();
  int s = coloured_sprite(0, 255, 0);
  _fhandlesprite(s, 0, -1); /* drawn upwards from the position */
  _frenderworld(1);
  log_int(lit(64, 40));
  log_int(lit(64, 56));
  _fhandlesprite(s, 0, 0);
  _fscalesprite(s, 2, 0.5f);
  log_extent();
  _frotatesprite(s, 90);
  log_extent();
  _frotatesprite(s, 0);
  _fscalesprite(s, 1, 1);
  _fcaptureworld();
  _fscalesprite(s, 3, 3);
  _frenderworld(0.5f);
  log_int(row(48));
}

/* What is drawn: the triangles of 257 sprites from a buffer grown past its
   first 256 slots, of one sprite once all were freed, none behind the
   camera, and a sprite larger than the view whose corners are all outside
   it. */
static void many(void) {
  viewer();
  static int sprites[257];
  for (int i = 0; i < 257; ++i) {
    sprites[i] = coloured_sprite(255, 255, 255);
    _fpositionentity(sprites[i], (float)(i % 16) - 8, (float)(i / 16) - 8, 20, 0);
    _fscalesprite(sprites[i], 0.45f, 0.45f);
  }
  _frenderworld(1);
  log_int(_ftrisrendered());
  log_int(lit(43, 27)); /* the last one, alone at (-8, 8) */
  for (int i = 0; i < 257; ++i) _ffreeentity(sprites[i]);
  int s = coloured_sprite(255, 255, 255);
  _frenderworld(1);
  log_int(_ftrisrendered());
  log_int(lit(64, 48));
  _fpositionentity(s, 0, 0, -10, 0);
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fpositionentity(s, 0, 0, 0, 0);
  _fscalesprite(s, 50, 50);
  _frenderworld(1);
  log_int(_ftrisrendered());
  log_int(lit(1, 1));
}

/* A particle texture: its bright middle added onto the black behind it,
   its dark rim adding nothing. */
static void particle(void) {
  viewer();
  VxString* file = __vxStrConcat(_fgetenv(str("VX_TEST_MEDIA_DIR")), str("/particle.bmp"));
  int s = _floadsprite(file, 1, 0);
  log_int(s != 0);
  _frenderworld(1);
  int middle = _freadpixelfast(64, 48, 0) & 0xFF;
  int rim = _freadpixelfast(64 + 12, 48 + 12, 0) & 0xFF;
  log_int(middle > 150);
  log_int(rim < 40);
  log_int(_floadsprite(str("no-such-file.bmp"), 1, 0));
}

static int bright_cube(int red, int green, int blue, float y) {
  int cube = _fcreatecube(0);
  _fentitycolor(cube, red, green, blue);
  _fentityfx(cube, 1);
  _fpositionentity(cube, 0, y, 0, 0);
  return cube;
}

/* A camera at height 3 looks along +z at a mirror in the y = 0 plane 10
   units ahead. A red cube stands above the mirror and a green one lies
   far below it, out of the camera's view; the green one's reflection
   would stand where the camera sees it, high above the mirror. Sprites
   above the mirror show in it whatever their view mode. */
static void mirror(void) {
  _fgraphics3d(128, 96, 0, 2);
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 0, 3, -10, 0);
  _fcreatemirror(0);
  bright_cube(255, 0, 0, 1.5f);
  bright_cube(0, 255, 0, -6);
  int facing = coloured_sprite(0, 0, 255);
  _fpositionentity(facing, 3, 1.5f, 0, 0);
  int upright = coloured_sprite(255, 255, 0);
  _fpositionentity(upright, -3, 1.5f, 0, 0);
  _fspriteviewmode(upright, 2);
  _frenderworld(1);
  log_coarse(64, 58); /* the red cube */
  log_coarse(64, 80); /* its reflection */
  log_coarse(64, 28); /* where the green one's reflection would be */
  log_coarse(83, 58); /* the sprites, then their reflections */
  log_coarse(45, 58);
  log_coarse(83, 77);
  log_coarse(45, 77);
  log_int(_ftrisrendered()); /* each drawn twice, the green cube too */
  _fdebuglog(_fentityclass(_fcreatemirror(0)));
}

/* A plane seen to the horizon, saved for the test to read, then seen from
   above: its texture, red on the left and blue on the right half, tiles
   once per unit of the plane's space, 4 units of the world. */
static void plane(void) {
  int camera = viewer();
  _fpositionentity(camera, 0, 1, 0, 0);
  int ground = _fcreateplane(8, 0);
  _fentitycolor(ground, 0, 255, 0);
  _fentityfx(ground, 1);
  _frenderworld(1);
  int saved = _fsavebuffer(_fbackbuffer(), arg(1));
  log_int(saved);
  log_int(_ftrisrendered() > 0 && _ftrisrendered() <= 3 * 8 * 8);
  _fdebuglog(_fentityclass(ground));

  int texture = _fcreatetexture(8, 8, 1, 1);
  int buffer = _ftexturebuffer(texture, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) _fwritepixel(x, y, x < 4 ? 0xFFFF0000 : 0xFF0000FF, buffer);
  _fentitycolor(ground, 255, 255, 255);
  _fentitytexture(ground, texture, 0, 0);
  _fscaleentity(ground, 4, 1, 4, 0);
  _fpositionentity(camera, 0, 10, 0, 0);
  _frotateentity(camera, 90, 0, 0, 0);
  _frenderworld(1);
  log_coarse(70, 48); /* x = 1 */
  log_coarse(83, 48); /* x = 3 */
  log_coarse(96, 48); /* x = 5, the next tile */
  log_coarse(58, 48); /* x = -1, the tile before */
  log_coarse(70, 10);
  log_coarse(70, 90);
}

static void not_model(void) {
  _fgraphics3d(64, 48, 0, 2);
  _frotatesprite(_fcreatepivot(0), 10);
}

static void not_sprite(void) {
  _fgraphics3d(64, 48, 0, 2);
  _fscalesprite(_fcreatecube(0), 1, 1);
}

static void segments(void) {
  _fgraphics3d(64, 48, 0, 2);
  _fcreateplane(21, 0);
}

void __MAIN(void) {
  if (is("modes")) modes();
  if (is("shape")) shape();
  if (is("many")) many();
  if (is("particle")) particle();
  if (is("mirror")) mirror();
  if (is("plane")) plane();
  if (is("notmodel")) not_model();
  if (is("notsprite")) not_sprite();
  if (is("segments")) segments();
}
