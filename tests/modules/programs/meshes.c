/* Meshes, surfaces, brushes and textures made by a program in a 3D mode,
   and what a mode change leaves of them. The texture file is drawn and saved
   by the program itself into the directory VX_TEST_DIR. */
#include "testlib.h"

static VxString* texture_file(void) { return __vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/bricks.bmp")); }

/* Hundredths, rounded, so that the log does not depend on float text. */
static void log_hundredths(float value) { log_int((int)(value * 100.0f + (value < 0 ? -0.5f : 0.5f))); }

void __MAIN(void) {
  _fgraphics3d(64, 48, 0, 2);

  /* A quad built vertex by vertex. */
  int quad = _fcreatemesh(0);
  int surface = _fcreatesurface(quad, 0);
  _faddvertex(surface, -1, 1, 0, 0, 0, 1);
  _faddvertex(surface, 1, 1, 0, 1, 0, 1);
  _faddvertex(surface, 1, -1, 0, 1, 1, 1);
  _faddtriangle(surface, 0, 1, 2);
  _fvertexcolor(surface, 1, 300, 128, -5, 0.5f);
  log_int(_fcountvertices(surface));                          /* 3 */
  log_int(_ftrianglevertex(surface, 0, 2));                   /* 2 */
  log_hundredths(_fvertexred(surface, 1));                    /* 25500 */
  log_hundredths(_fvertexblue(surface, 1));                   /* 0 */
  log_hundredths(_fvertexalpha(surface, 1));                  /* 50 */
  _fupdatenormals(quad);
  log_hundredths(_fvertexnz(surface, 0));                     /* -100: facing -z */

  /* Primitives, fitted and merged. */
  int cube = _fcreatecube(0);
  _ffitmesh(cube, 0, 0, 0, 2, 4, 8, 0);
  log_hundredths(_fmeshdepth(cube));                          /* 800 */
  int sphere = _fcreatesphere(2, 0);
  log_int(_fcountvertices(_fgetsurface(sphere, 1)));          /* 13 */
  int red = _fcreatebrush(255, 0, 0);
  _fpaintmesh(sphere, red);
  _faddmesh(cube, sphere);
  _faddmesh(_fcreatecube(0), sphere);
  log_int(_fcountsurfaces(sphere));                           /* 2 */
  log_int(_fcountvertices(_ffindsurface(sphere, red)));       /* 13 */
  log_int(_fcountvertices(_fgetsurface(sphere, 2)));          /* 48: both cubes */
  log_int(_fcountsurfaces(_fcopymesh(sphere, 0)));            /* 2 */

  /* Textures from a file the program draws. */
  int image = _fcreateimage(16, 16, 1);
  _fsetbuffer(_fimagebuffer(image, 0));
  _fcolor(200, 100, 50);
  _frect(0, 0, 16, 16, 1);
  _fsetbuffer(_fbackbuffer());
  _fsaveimage(image, texture_file(), 0);
  int a = _floadtexture(texture_file(), 1);
  int b = _floadtexture(texture_file(), 1);
  log_int(a != b);                                            /* 1 */
  log_int(_factivetextures());                                /* 1 */
  int brush = _floadbrush(texture_file(), 1, 1, 1);
  _fentitytexture(cube, a, 0, 0);
  _fentityalpha(cube, 0.5f);
  log_int(_fgetbrushtexture(_fgetentitybrush(cube), 0) != 0); /* 1 */
  log_int(_factivetextures());                                /* 1 */
  _fpaintsurface(surface, brush);
  _fclearworld(1, 1, 1);
  log_int(_factivetextures());                                /* 0 */

  /* A mode change frees everything; old surfaces are harmless. */
  int left = _fcreatecube(0);
  int old_surface = _fgetsurface(left, 1);
  _floadtexture(texture_file(), 1);
  _fgraphics3d(64, 48, 0, 2);
  log_int(_factivetextures());                                /* 0 */
  log_int(_fcountvertices(old_surface));                      /* 0 */
  _fcreatesphere(101, 0);
  log_text("not reached");
}
