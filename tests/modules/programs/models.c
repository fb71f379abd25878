/* Model files loaded in a 3D mode and rendered headless: the test leaves
   its V3D files in VX_TEST_DIR; the scenario is the command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static VxString* in_dir(const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/")), str(name));
}

static void log_pixel(int x, int y) { log_int(_freadpixelfast(x, y, 0) & 0xFFFFFF); }

/* A camera at z = -5 looking along +z over 64 by 48 pixels. */
static void viewer(void) {
  _fgraphics3d(64, 48, 0, 2);
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 0, 0, -5, 0);
}

/* The model names its texture by a path that does not exist; it is found
   beside the model, and only while the model loads. */
static void textured(void) {
  viewer();
  int image = _fcreateimage(4, 4, 1);
  _fsetbuffer(_fimagebuffer(image, 0));
  _fcolor(255, 0, 0);
  _frect(0, 0, 4, 4, 1);
  _fsaveimage(image, in_dir("Red.bmp"), 0);
  _fsetbuffer(_fbackbuffer());
  int model = _floadanimmesh(in_dir("textured.v3d"), 0);
  log_int(_fcountsurfaces(model));
  _frenderworld(1);
  log_pixel(32, 24);
  int texture = _fgetbrushtexture(_fgetentitybrush(model), 0);
  _fdebuglog(_ftexturename(texture));
  log_int(_floadtexture(str("c:\\models\\red.bmp"), 1));
}

/* A quad whose left corners follow a bone that rises by 2 over the
   sequence's 10 frames, shown at frame 5: what is drawn moves with it. */
static void skinned(void) {
  viewer();
  int model = _floadanimmesh(in_dir("skinned.v3d"), 0);
  _frenderworld(1);
  log_pixel(22, 6);
  log_pixel(22, 36);
  _fsetanimtime(model, 5, 0);
  _frenderworld(1);
  log_pixel(22, 6);
  log_pixel(22, 36);
  _fsetanimtime(model, 0, 0);
  _frenderworld(1);
  log_pixel(22, 6);
}

static void not_animated(void) {
  _fgraphics3d(64, 48, 0, 2);
  _fanimate(_fcreatepivot(0), 1, 1, 0, 0);
  log_text("not reached");
}

void __MAIN(void) {
  if (is("textured")) textured();
  if (is("skinned")) skinned();
  if (is("notanimated")) not_animated();
}
