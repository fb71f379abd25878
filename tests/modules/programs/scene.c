/* Cameras and lights in a 3D mode, rendered headless: what the back buffer
   holds after RenderWorld, and what the cameras project. The scenario is
   the command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static void log_pixel(int x, int y) { log_int(_freadpixelfast(x, y, 0) & 0xFFFFFF); }

/* Hundredths, rounded, so that the log does not depend on float text. */
static void log_hundredths(float value) { log_int((int)(value * 100.0f + (value < 0 ? -0.5f : 0.5f))); }

static void caps(void) {
  log_int(_fgfxdriver3d(1));
  log_int(_fcountgfxmodes3d() > 0);
  log_int(_fwindowed3d());
  _fgraphics3d(64, 48, 0, 2);
  log_int(_fgfxdrivercaps3d());
  _fwbuffer(1);
  _fhwmultitex(0);
  _fambientlight(10, 20, 30);
}

/* Two cameras side by side; a third of higher order shares the left
   viewport and is drawn first, so the left camera's colour covers it until
   the left camera stops projecting. */
static void cameras(void) {
  _fgraphics3d(64, 48, 0, 2);
  int left = _fcreatecamera(0);
  _fcameraclscolor(left, 255, 0, 0);
  _fcameraviewport(left, 0, 0, 32, 48);
  int right = _fcreatecamera(0);
  _fcameraclscolor(right, 0, 0, 255);
  _fcameraviewport(right, 32, 0, 32, 48);
  int first = _fcreatecamera(0);
  _fcameraclscolor(first, 0, 255, 0);
  _fcameraviewport(first, 0, 0, 32, 48);
  _fentityorder(first, 2);
  _frenderworld(1);
  log_pixel(5, 5);
  log_pixel(40, 40);
  log_int(_ftrisrendered());
  _fcameraprojmode(left, 0);
  _frenderworld(1);
  log_pixel(5, 5);
  _fhideentity(first);
  _fcls();
  _frenderworld(1);
  log_pixel(5, 5); /* nothing renders there any more */
  log_pixel(40, 40);
}

/* 2D drawn before RenderWorld stays under a camera that does not clear
   colour; 2D drawn after it lies over the scene. */
static void layers(void) {
  _fgraphics3d(64, 48, 0, 2);
  _fclscolor(0, 255, 0);
  _fcls();
  _fcolor(255, 255, 0);
  _frect(0, 0, 10, 10, 1);
  int camera = _fcreatecamera(0);
  _fcameraclsmode(camera, 0, 1);
  _frenderworld(1);
  _fcolor(255, 0, 255);
  _frect(20, 20, 5, 5, 1);
  log_pixel(5, 5);
  log_pixel(40, 40);
  log_pixel(22, 22);
  _fcameraclsmode(camera, 1, 1);
  _frenderworld(1);
  log_pixel(5, 5);
  _fflip(0);
}

static void project(void) {
  _fgraphics3d(64, 48, 0, 2);
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 0, 0, -10, 0);
  _fcameraproject(camera, 0, 0, 0);
  log_hundredths(_fprojectedx());
  log_hundredths(_fprojectedy());
  log_hundredths(_fprojectedz());
  _fcameraproject(camera, 2, 1, 10); /* camera space (2, 1, 20) */
  log_hundredths(_fprojectedx());
  log_hundredths(_fprojectedy());
  _fcameraproject(camera, 0, 0, -20); /* behind */
  log_hundredths(_fprojectedx() + _fprojectedy() + _fprojectedz());
  _fcamerarange(camera, 1, 5);
  _fcameraproject(camera, 0, 0, 0); /* beyond far */
  log_hundredths(_fprojectedx());
  _fcameraprojmode(camera, 2);
  _fcamerazoom(camera, 0.1f); /* 20 units across */
  _fcameraproject(camera, 5, 0, 0);
  log_hundredths(_fprojectedx());

  int near = _fcreatepivot(0);
  int behind = _fcreatepivot(0);
  _fpositionentity(behind, 0, 0, -20, 0);
  _fcamerarange(camera, 1, 1000);
  log_int(_fentityinview(near, camera));
  log_int(_fentityinview(behind, camera));
  _fcameraviewport(camera, 0, 0, 0, 48); /* sees nothing */
  log_int(_fentityinview(near, camera));
}

static void lights(void) {
  _fgraphics3d(64, 48, 0, 2);
  int light = _fcreatelight(3, 0);
  _flightcolor(light, 255, 128, 0);
  _flightrange(light, 10);
  _flightconeangles(light, 200, 10);
  int copy = _fcopyentity(light, 0);
  _fdebuglog(_fentityclass(copy));
  int camera = _fcreatecamera(0);
  _frenderworld(1);
  log_text("rendered");
  _flightcolor(camera, 1, 1, 1);
}

static void not_camera(void) {
  _fgraphics3d(64, 48, 0, 2);
  _fcamerazoom(_fcreatepivot(0), 2);
}

/* A channel in rounded eighths, 0..8: close values give the same digit. */
static int eighths(int c, int shift) { return (((c >> shift) & 255) + 16) >> 5; }

/* The red, green and blue of a pixel in eighths, as one number. */
static void log_coarse(int x, int y) {
  int c = _freadpixelfast(x, y, 0);
  log_int(eighths(c, 16) * 100 + eighths(c, 8) * 10 + eighths(c, 0));
}

/* A camera at z = -5 looking along +z over 64 by 48 pixels, no ambient. */
static int viewer(void) {
  _fgraphics3d(64, 48, 0, 2);
  _fambientlight(0, 0, 0);
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 0, 0, -5, 0);
  return camera;
}

static int bright_cube(int red, int green, int blue) {
  int cube = _fcreatecube(0);
  _fentitycolor(cube, red, green, blue);
  _fentityfx(cube, 1);
  return cube;
}

/* A cube turned 45 degrees shows two faces; a red light shining along +x
   lights the one turned to -x (on the left) at 45 degrees. */
static void lit_cube(void) {
  viewer();
  int light = _fcreatelight(1, 0);
  _frotateentity(light, 0, -90, 0, 0);
  _flightcolor(light, 255, 0, 0);
  int cube = _fcreatecube(0);
  _fturnentity(cube, 0, 45, 0, 0);
  _frenderworld(1);
  log_int(_freadpixelfast(26, 24, 0) >> 19 & 31); /* 180 of 255 red: 22 */
  log_int(_freadpixelfast(26, 24, 0) & 0xFFFF);
  log_int(_freadpixelfast(38, 24, 0) & 0xFFFFFF);
  log_int(_freadpixelfast(2, 2, 0) & 0xFFFFFF);
  log_int(_ftrisrendered());
}

/* A texture of four colours in its quarters (2 by 2 texels each, so that
   filtering inside a quarter keeps its colour) on the face turned to the
   camera. */
static void textured(void) {
  viewer();
  int texture = _fcreatetexture(4, 4, 1 + 16 + 32, 1);
  int buffer = _ftexturebuffer(texture, 0);
  const int quarters[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) _fwritepixel(x, y, quarters[(y / 2) * 2 + x / 2], buffer);
  int cube = bright_cube(255, 255, 255);
  _fentitytexture(cube, texture, 0, 0);
  _frenderworld(1);
  log_coarse(28, 20);
  log_coarse(36, 20);
  log_coarse(28, 28);
  log_coarse(36, 28);
}

static void fog(void) {
  int camera = viewer();
  _fcamerafogmode(camera, 1);
  _fcamerafogrange(camera, 1, 10);
  _fcamerafogcolor(camera, 0, 0, 255);
  int cube = bright_cube(255, 255, 255);
  _fpositionentity(cube, 0, 0, 15, 0);
  _frenderworld(1);
  log_coarse(32, 24);
  _fentityfx(cube, 1 + 8);
  _frenderworld(1);
  log_coarse(32, 24);
}

static void blends(void) {
  int camera = viewer();
  _fcameraclscolor(camera, 0, 0, 255);
  int cube = bright_cube(255, 0, 0);
  _fentityalpha(cube, 0.5f);
  _frenderworld(1);
  log_coarse(32, 24);
  _fentityalpha(cube, 1);
  _fentityblend(cube, 3);
  _frenderworld(1);
  log_coarse(32, 24);
  _fentityblend(cube, 2);
  _frenderworld(1);
  log_coarse(32, 24);
}

/* A red cube in front of a large green one: ordered models are drawn
   without the z-buffer, before or after all the others. */
static void orders(void) {
  viewer();
  int red = bright_cube(255, 0, 0);
  int green = bright_cube(0, 255, 0);
  _fpositionentity(green, 0, 0, 10, 0);
  _fscaleentity(green, 4, 4, 4, 0);
  _frenderworld(1);
  log_coarse(32, 24);
  _fentityorder(red, 1);
  _frenderworld(1);
  log_coarse(32, 24);
  _fentityorder(red, 0);
  _fentityorder(green, -1);
  _frenderworld(1);
  log_coarse(32, 24);
}

/* What is not drawn: hidden subtrees, invisible and faded models; a
   captured cube moved is drawn half way at tween 0.5. */
static void visibility(void) {
  int camera = viewer();
  int parent = _fcreatepivot(0);
  int cube = bright_cube(255, 255, 255);
  _fentityparent(cube, parent, 1);
  _fhideentity(parent);
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fshowentity(parent);
  _fentityalpha(cube, 0);
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fentityalpha(cube, 1);
  _fentityautofade(cube, 1, 2);
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fentityautofade(cube, 100, 200);

  _fpositionentity(cube, -2, 0, 0, 0);
  _fcaptureworld();
  _fpositionentity(cube, 2, 0, 0, 0);
  _frenderworld(0.5f);
  log_int(_freadpixelfast(32, 24, 0) & 0xFFFFFF);
  _frenderworld(1);
  log_int(_freadpixelfast(32, 24, 0) & 0xFFFFFF);

  /* Behind the camera by its centre, but its bounds reach into view. */
  _fpositionentity(cube, 0, 0, -5.5f, 0);
  _fscaleentity(cube, 2, 2, 2, 0);
  int pivot = _fcreatepivot(0);
  _fpositionentity(pivot, 0, 0, -5.5f, 0);
  log_int(_fentityinview(cube, camera));
  log_int(_fentityinview(pivot, camera));
}

void __MAIN(void) {
  if (is("caps")) caps();
  if (is("cameras")) cameras();
  if (is("layers")) layers();
  if (is("project")) project();
  if (is("lights")) lights();
  if (is("notcamera")) not_camera();
  if (is("litcube")) lit_cube();
  if (is("textured")) textured();
  if (is("fog")) fog();
  if (is("blends")) blends();
  if (is("orders")) orders();
  if (is("visibility")) visibility();
}
