/* Graphics modes in a window of the test X server, 3D and 2D in turn. Each
   step flips its picture, saves the front buffer as stepN.bmp in
   VX_TEST_DIR, logs "shown N" and waits for the file nextN there before
   going on, so that the test can read the window in between. */
#include "testlib.h"

static VxString* test_file(const char* name, int step) {
  VxString* file = __vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/"));
  return __vxStrConcat(__vxStrConcat(file, str(name)), __vxStrFromInt(step));
}

static void show(int step) {
  _fflip(0);
  _fsavebuffer(_ffrontbuffer(), __vxStrConcat(test_file("step", step), str(".bmp")));
  _fdebuglog(__vxStrConcat(str("shown "), __vxStrFromInt(step)));
  while (_ffiletype(test_file("next", step)) == 0) _fdelay(10);
}

/* A flat orange cube in front of the camera, a white bar drawn over it. */
static void scene(int clear_colour) {
  int camera = _fcreatecamera(0);
  _fcameraclscolor(camera, 30, 60, 90);
  _fcameraclsmode(camera, clear_colour, 1);
  int cube = _fcreatecube(0);
  _fpositionentity(cube, 0.5f, 0, 4, 0);
  _fturnentity(cube, 20, 30, 0, 0);
  _fentitycolor(cube, 255, 128, 0);
  _frenderworld(1);
  _fcolor(255, 255, 255);
  _frect(4, 4, 40, 6, 1);
}

static void pattern(void) {
  _fclscolor(20, 120, 40);
  _fcls();
  _fcolor(200, 40, 160);
  _foval(10, 10, 60, 40, 1);
  _fcolor(250, 250, 250);
  _frect(2, 2, 30, 30, 0);
}

void __MAIN(void) {
  _fapptitle(str("vx window test"), str(""));
  _fgraphics3d(320, 240, 32, 2);
  scene(1);
  show(1);

  _fgraphics(320, 240, 16, 2);
  _fsetbuffer(_fbackbuffer());
  pattern();
  show(2);

  /* Scaled: the window keeps its client area, twice the canvas. The
     camera draws over what 2D drew first. */
  _fgraphics3d(160, 120, 32, 3);
  pattern();
  scene(0);
  show(3);

  _fgraphics3d(640, 480, 32, 1);
  scene(1);
  show(4);

  _fgraphics3d(320, 240, 24, 2);
  scene(1);
  show(5);

  _fendgraphics();
  _fsetbuffer(_fbackbuffer());
  pattern();
  show(6);
}
