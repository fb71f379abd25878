/* MD2 models from the test media (VX_MEDIA), rendered headless; the frames
   drawn are saved as BMP files into VX_TEST_DIR. The scenario is the
   command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static VxString* in_dir(const char* variable, const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(str(variable)), str("/")), str(name));
}

static int load(const char* name) { return _floadmd2(in_dir("VX_MEDIA", name), 0); }

/* The three files: frame counts and the class; a copy and its playback. */
static void files(void) {
  _fgraphics3d(64, 48, 0, 2);
  int sydney = load("sydney.md2");
  log_int(_fmd2animlength(sydney));
  log_int(_fmd2animlength(load("faerie.md2")));
  log_int(_fmd2animlength(load("gun.md2")));
  _fdebuglog(_fentityclass(sydney));
  log_int(load("sydney.bmp"));
  _fanimatemd2(sydney, 1, 1, 40, 45, 0);
  int copy = _fcopyentity(sydney, 0);
  _fanimatemd2(copy, 3, 1, 0, 0, 0);
  log_int(_fmd2animating(sydney));
  log_int(_fmd2animating(copy));
  log_int((int)_fmd2animtime(sydney));
  _ffreeentity(sydney);
  log_int(_fmd2animlength(copy));
}

/* Sydney lit from the camera with no ambient light, over a dark blue
   background: standing, white and then in her skin; lying on the ground
   (her last frame); and as a copy standing on the right after the
   original is freed. */
static void render(void) {
  _fgraphics3d(160, 120, 32, 2);
  _fambientlight(0, 0, 0);
  int camera = _fcreatecamera(0);
  _fcameraclscolor(camera, 0, 0, 64);
  _fpositionentity(camera, 0, 3, -70, 0);
  _fcreatelight(1, 0);
  int sydney = load("sydney.md2");
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fsavebuffer(_fbackbuffer(), in_dir("VX_TEST_DIR", "white.bmp"));
  _fentitytexture(sydney, _floadtexture(in_dir("VX_MEDIA", "sydney.bmp"), 1), 0, 0);
  _frenderworld(1);
  _fsavebuffer(_fbackbuffer(), in_dir("VX_TEST_DIR", "stand.bmp"));
  _fanimatemd2(sydney, 1, 0, 197, 197, 0);
  _frenderworld(1);
  _fsavebuffer(_fbackbuffer(), in_dir("VX_TEST_DIR", "lying.bmp"));
  int copy = _fcopyentity(sydney, 0);
  _fpositionentity(copy, 35, 0, 0, 0);
  _fanimatemd2(copy, 1, 0, 0, 0, 0);
  _ffreeentity(sydney);
  _frenderworld(1);
  _fsavebuffer(_fbackbuffer(), in_dir("VX_TEST_DIR", "copy.bmp"));
}

void __MAIN(void) {
  if (is("files")) files();
  if (is("render")) render();
}
