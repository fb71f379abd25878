/* Terrains in a 3D mode, rendered headless: heights, points on the surface,
   the checks, heightmap files, and what a view of them draws. The scenario
   is the first word of the command line; files come from the environment
   (TERRAIN_FILE, TERRAIN_MEDIA, TERRAIN_OUT). */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }
static VxString* env(const char* name) { return _fgetenv(str(name)); }
static VxString* media(const char* name) { return __vxStrConcat(env("TERRAIN_MEDIA"), str(name)); }

/* Hundredths, rounded, so that the log does not depend on float text. */
static void log_hundredths(float value) { log_int((int)(value * 100.0f + (value < 0 ? -0.5f : 0.5f))); }
static int bytes(float height) { return (int)(height * 255.0f + 0.5f); }

static void basics(void) {
  _fgraphics3d(64, 48, 0, 2);
  int t = _fcreateterrain(128, 0);
  log_int(_fterrainsize(t));
  _fdebuglog(_fentityclass(t));
  float sum = 0;
  for (int z = 0; z <= 128; ++z)
    for (int x = 0; x <= 128; ++x) sum += _fterrainheight(t, x, z);
  log_int(sum == 0);

  _fmodifyterrain(t, 0, 7, 1, 0); /* the far edge is the near one */
  log_int(_fterrainheight(t, 128, 7) == 1.0f);
  log_int(_fterrainheight(t, -1, 7) == 0 && _fterrainheight(t, 129, 7) == 0 && _fterrainheight(t, 7, -1) == 0);
  _fmodifyterrain(t, 5, 5, 0.5f, 0);
  log_int(_fterrainheight(t, 5, 5) == 127.0f / 255.0f);
  _fmodifyterrain(t, 6, 5, 2.0f, 1); /* held to 0..1 */
  _fmodifyterrain(t, 7, 5, -3.0f, 1);
  log_int(bytes(_fterrainheight(t, 6, 5)) * 1000 + bytes(_fterrainheight(t, 7, 5)));
  _fmodifyterrain(t, 129, 5, 1, 0); /* off the grid: nothing */
  _fmodifyterrain(t, 1, 5, 1, 0);
  log_int(bytes(_fterrainheight(t, 1, 5)));

  /* Half way between heights 1 and 0.2, scaled by 10 and raised by 5. */
  _fmodifyterrain(t, 10, 10, 1, 1);
  _fmodifyterrain(t, 11, 10, 0.2f, 1);
  _fscaleentity(t, 2, 10, 2, 0);
  _fpositionentity(t, 100, 5, -50, 0);
  log_hundredths(_fterrainy(t, 121, 999, -30));
  log_hundredths(_fterrainx(t, 121, 999, -30));
  log_hundredths(_fterrainz(t, 121, -999, -30));

  /* A copy has heights of its own. */
  int copy = _fcopyentity(t, 0);
  _fmodifyterrain(copy, 5, 5, 1, 0);
  log_int(bytes(_fterrainheight(copy, 5, 5)) * 1000 + bytes(_fterrainheight(t, 5, 5)));
  log_int(_fterrainsize(copy));
}

/* Terrain commands given other entities do nothing without the debugger;
   the illegal size is refused all the same. */
static void lenient(void) {
  _fgraphics3d(64, 48, 0, 2);
  int pivot = _fcreatepivot(0);
  int cube = _fcreatecube(0);
  _fterraindetail(pivot, 10, 1);
  _fmodifyterrain(cube, 1, 1, 1, 1);
  _fterrainshading(cube, 1);
  if (_fterrainsize(pivot) + _fterrainheight(cube, 0, 0) + _fterrainy(cube, 0, 0, 0) == 0) _fcreateterrain(100, 0);
}

static void checks(void) {
  if (is("nomode")) _fcreateterrain(64, 0);
  _fgraphics3d(64, 48, 0, 2);
  if (is("illegal")) _fcreateterrain(100, 0);
  if (is("notmodel")) _fterrainsize(_fcreatepivot(0));
  if (is("notterrain")) _fterrainheight(_fcreatecube(0), 0, 0);
  if (is("noparent")) _fcreateterrain(64, 12345);
}

/* A heightmap file: its size and the sum of its heights in 1/255. */
static void load(void) {
  _fgraphics3d(64, 48, 0, 2);
  int t = _floadterrain(env("TERRAIN_FILE"), 0);
  int n = _fterrainsize(t);
  log_int(n);
  int sum = 0;
  for (int z = 0; z < n; ++z)
    for (int x = 0; x < n; ++x) sum += bytes(_fterrainheight(t, x, z));
  log_int(sum);
}

/* A camera straight above (x, z), looking down. */
static int camera_above(float x, float y, float z) {
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, x, y, z, 0);
  _frotateentity(camera, 90, 0, 0, 0);
  _fcameraclscolor(camera, 0, 0, 0);
  return camera;
}

static void flat(void) {
  _fgraphics3d(64, 48, 0, 2);
  int t = _fcreateterrain(256, 0);
  _fentitycolor(t, 255, 0, 0);
  _fentityfx(t, 1);
  camera_above(128, 100, 128);
  _fterraindetail(t, 10000, 1);
  _frenderworld(1);
  log_int(_ftrisrendered());
  log_int((int)_fstats3d(1) * 10 + (int)_fstats3d(2));
  log_int(_freadpixelfast(32, 24, 0) & 0xFFFFFF);
}

/* The heightmap of the media, its heights read back against the image
   through the 2D loader, then drawn textured and saved. */
static void heightmap(void) {
  _fgraphics3d(160, 120, 32, 2);
  int t = _floadterrain(media("terrain-heightmap.bmp"), 0);
  int n = _fterrainsize(t);
  log_int(n);
  int image = _floadimage(media("terrain-heightmap.bmp"));
  int buffer = _fimagebuffer(image, 0);
  int wrong = 0, highest = 0;
  _flockbuffer(buffer);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      int c = _freadpixelfast(x, y, buffer);
      int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
      int m = r > g ? (r > b ? r : b) : (g > b ? g : b);
      int h = bytes(_fterrainheight(t, x, n - 1 - y));
      wrong += h != m;
      if (h > highest) highest = h;
    }
  _funlockbuffer(buffer);
  log_int(wrong);
  log_int(highest > 100);

  int texture = _floadtexture(media("terrain-texture.jpg"), 1);
  _fscaletexture(texture, (float)n, (float)n);
  _fentitytexture(t, texture, 0, 0);
  _fscaleentity(t, 4, 300, 4, 0);
  _fpositionentity(t, -2.0f * n, 0, -2.0f * n, 0);
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 0, 600, -400, 0);
  _frotateentity(camera, 40, 0, 0, 0);
  _fcameraclscolor(camera, 0, 0, 255);
  _fcamerarange(camera, 1, 5000);
  _fterraindetail(t, 2000, 0);
  _frenderworld(1);
  int tris = _ftrisrendered();
  log_int(tris > 1000 && tris <= 2100);
  log_int(_fstats3d(1) >= 2000 && _fstats3d(2) == tris);
  log_int(_fentityinview(t, camera));
  _fsavebuffer(_fbackbuffer(), env("TERRAIN_OUT"));
  _fterraindetail(t, 300, 1);
  _frenderworld(1);
  tris = _ftrisrendered();
  log_int(tris > 100 && tris <= 400);
}

/* A field of noise too fine for one run of 16-bit indices, seen whole from
   above in white on black: no hole anywhere. */
static void fine(void) {
  _fgraphics3d(160, 120, 32, 2);
  int t = _fcreateterrain(512, 0);
  unsigned seed = 12345;
  for (int z = 0; z < 512; ++z)
    for (int x = 0; x < 512; ++x) {
      seed = seed * 1103515245u + 12345u;
      _fmodifyterrain(t, x, z, (float)((seed >> 16) & 255) / 255.0f, 0);
    }
  _fentityfx(t, 1);
  camera_above(256, 450, 256);
  _fterraindetail(t, 300000, 0);
  _frenderworld(1);
  int tris = _ftrisrendered();
  log_int(tris > 200000 && tris <= 300100);
  int holes = 0;
  _flockbuffer(_fbackbuffer());
  for (int y = 20; y < 100; ++y) /* the field covers 35..125 by 15..105 */
    for (int x = 40; x < 120; ++x) holes += (_freadpixelfast(x, y, 0) & 0xFFFFFF) != 0xFFFFFF;
  _funlockbuffer(_fbackbuffer());
  log_int(holes);
  /* The buffer keeps its size for a smaller frame. */
  _fterraindetail(t, 1000, 0);
  _frenderworld(1);
  log_int(_ftrisrendered() <= 1100);
}

/* A bump made while the terrain is out of date splits the flat ground at
   the next frame; taken away at once, the ground is two triangles again. */
static void modify(void) {
  _fgraphics3d(64, 48, 0, 2);
  int t = _fcreateterrain(64, 0);
  camera_above(32, 100, 32);
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fmodifyterrain(t, 32, 32, 1, 0);
  _frenderworld(1);
  log_int(_ftrisrendered() > 2);
  _fmodifyterrain(t, 32, 32, 0, 1);
  _frenderworld(1);
  log_int(_ftrisrendered());
}

/* A slope of 45 degrees under a light from straight above: lit fully with
   upright normals, by cos 45 with shaded ones; morphing draws as many
   triangles. */
static void shading(void) {
  _fgraphics3d(64, 48, 32, 2);
  _fambientlight(0, 0, 0);
  int t = _fcreateterrain(64, 0);
  for (int z = 0; z <= 64; ++z)
    for (int x = 0; x < 64; ++x) _fmodifyterrain(t, x, z, (float)x / 64.0f, 0);
  _fscaleentity(t, 1, 64, 1, 0);
  int light = _fcreatelight(1, 0);
  _frotateentity(light, 90, 0, 0, 0);
  camera_above(32, 120, 32);
  _frenderworld(1);
  int upright = _freadpixelfast(32, 24, 0) & 255;
  int tris = _ftrisrendered();
  _fterrainshading(t, 1);
  _frenderworld(1);
  int shaded = _freadpixelfast(32, 24, 0) & 255;
  log_int(upright > 240);
  log_int(shaded > 160 && shaded < 200);
  _fterraindetail(t, 2000, 1);
  _frenderworld(1);
  log_int(_ftrisrendered() == tris);
}

/* A ball of type 1 dropped onto a slope of 45 degrees stops where it first
   touches; one of type 3 slides down it, its radius off the surface; a
   bump raised at once is met by the next update. */
static int ball(int type, float x, float y, float z) {
  int e = _fcreatepivot(0);
  _fpositionentity(e, x, y, z, 0);
  _fentityradius(e, 0.5f, 0.5f);
  _fentitytype(e, type, 0);
  _ftranslateentity(e, 0, -y, 0, 0);
  return e;
}

static void slide(void) {
  _fgraphics3d(64, 48, 0, 2);
  int t = _fcreateterrain(16, 0);
  for (int z = 0; z <= 16; ++z)
    for (int x = 0; x < 16; ++x) _fmodifyterrain(t, x, z, (16.0f * x + 0.5f) / 255.0f, 0);
  _fscaleentity(t, 1, 255.0f / 16.0f, 1, 0); /* height x */
  _fentitytype(t, 2, 0);
  _fcollisions(1, 2, 2, 1);
  _fcollisions(3, 2, 2, 2);
  int stopped = ball(1, 8.3f, 20, 7.6f), slid = ball(3, 8.3f, 20, 7.6f);
  _fupdateworld(1);
  log_hundredths(_fentityx(stopped, 1));
  log_hundredths(_fentityy(stopped, 1));
  float x = _fentityx(slid, 1), above = _fentityy(slid, 1) - _fterrainy(t, x, 0, _fentityz(slid, 1));
  log_int(x < 4 && x > 1);
  log_int(above > 0.69f && above < 0.72f);

  for (int z = 8; z <= 9; ++z)
    for (int x = 4; x <= 5; ++x) _fmodifyterrain(t, x, z, 1, 1);
  int bumped = ball(1, 4.5f, 30, 8.5f);
  _fupdateworld(1);
  log_hundredths(_fentityy(bumped, 1));
}

void __MAIN(void) {
  if (is("basics")) basics();
  else if (is("lenient")) lenient();
  else if (is("load")) load();
  else if (is("flat")) flat();
  else if (is("heightmap")) heightmap();
  else if (is("fine")) fine();
  else if (is("modify")) modify();
  else if (is("shading")) shading();
  else if (is("slide")) slide();
  else checks();
}
