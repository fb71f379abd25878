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

void __MAIN(void) {
  if (is("caps")) caps();
  if (is("cameras")) cameras();
  if (is("layers")) layers();
  if (is("project")) project();
  if (is("lights")) lights();
  if (is("notcamera")) not_camera();
}
