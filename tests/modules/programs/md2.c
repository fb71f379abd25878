/* Sydney from the test media (VX_MEDIA), rendered headless and lit from the
   camera with no ambient light, over a dark blue background: standing,
   white and then in her skin; lying on the ground (her last frame); and as
   a copy standing on the right after the original is freed. The white
   frame is drawn a second time with back faces too. Each frame is saved as
   a BMP file into VX_TEST_DIR. */
#include "testlib.h"

static VxString* in_dir(const char* variable, const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(str(variable)), str("/")), str(name));
}

void __MAIN(void) {
  _fgraphics3d(160, 120, 32, 2);
  _fambientlight(0, 0, 0);
  int camera = _fcreatecamera(0);
  _fcameraclscolor(camera, 0, 0, 64);
  _fpositionentity(camera, 0, 3, -70, 0);
  _fcreatelight(1, 0);
  int sydney = _floadmd2(in_dir("VX_MEDIA", "sydney.md2"), 0);
  _fdebuglog(_fentityclass(sydney));
  log_int(_fmd2animlength(sydney));
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fsavebuffer(_fbackbuffer(), in_dir("VX_TEST_DIR", "white.bmp"));
  _fentityfx(sydney, 16);
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fsavebuffer(_fbackbuffer(), in_dir("VX_TEST_DIR", "both_sides.bmp"));
  _fentityfx(sydney, 0);
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

