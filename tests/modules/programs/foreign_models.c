/* X and 3DS model files loaded in a 3D mode and rendered headless: the
   test leaves its files in VX_TEST_DIR and names the media directory in
   VX_MEDIA_DIR; the scenario is the command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static VxString* in(const char* variable, const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(str(variable)), str("/")), str(name));
}

static void log_pixel(int x, int y) { log_int(_freadpixelfast(x, y, 0) & 0xFFFFFF); }

/* A camera at z = -5 looking along +z over 64 by 48 pixels. */
static void viewer(void) {
  _fgraphics3d(64, 48, 0, 2);
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 0, 0, -5, 0);
}

static VxString* texture_of(int mesh) {
  return _ftexturename(_fgetbrushtexture(_fgetsurfacebrush(_fgetsurface(mesh, 1)), 0));
}

/* A quad whose dark red material has a green texture: drawn full bright,
   it shows the texture as it is. */
static void textured(void) {
  viewer();
  int image = _fcreateimage(4, 4, 1);
  _fsetbuffer(_fimagebuffer(image, 0));
  _fcolor(0, 255, 0);
  _frect(0, 0, 4, 4, 1);
  _fsaveimage(image, in("VX_TEST_DIR", "green.bmp"), 0);
  _fsetbuffer(_fbackbuffer());
  int model = _floadmesh(in("VX_TEST_DIR", "quad.x"), 0);
  _fentityfx(model, 1);
  _frenderworld(1);
  log_pixel(32, 24);
}

/* The right half of a quad, mirrored in x by the loader matrix: it is
   drawn on the left, still facing the camera. */
static void mirror(void) {
  viewer();
  _floadermatrix(str("x"), -1, 0, 0, 0, 1, 0, 0, 0, 1);
  int model = _floadmesh(in("VX_TEST_DIR", "half.x"), 0);
  _fentityfx(model, 1);
  _frenderworld(1);
  log_pixel(20, 24);
  log_pixel(44, 24);
}

/* The real globe, its texture found beside it, and the room. */
static void media(void) {
  viewer();
  int globe = _floadmesh(in("VX_MEDIA_DIR", "earth.x"), 0);
  _fdebuglog(texture_of(globe));
  _frenderworld(1);
  log_int((_freadpixelfast(32, 24, 0) & 0xFFFFFF) != 0);
  _ffreeentity(globe);
  int room = _floadmesh(in("VX_MEDIA_DIR", "room.3ds"), 0);
  log_int(_fcountsurfaces(room) > 0);
}

void __MAIN(void) {
  if (is("textured")) textured();
  if (is("mirror")) mirror();
  if (is("media")) media();
}
