/* Graphics modes, buffers and drawing. The scenario is the command line;
   files are written in the directory named by VX_TEST_DIR. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static VxString* in_dir(const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/")), str(name));
}

static int start;

/* Waits until ms milliseconds after the program started. */
static void at(int ms) {
  int left = ms - (_fmillisecs() - start);
  if (left > 0) _fdelay(left);
}

/* The same picture in every mode: blue background, a red solid rectangle,
   a green point and a white bottom line, drawn on the back buffer and
   flipped; then a yellow point on the front buffer. */
static void draw_mode(int width, int height, int depth, int mode, const char* file) {
  _fgraphics(width, height, depth, mode);
  log_int(_fgraphicswidth());
  log_int(_fgraphicsheight());
  log_int(_fgraphicsdepth());
  _fsetbuffer(_fbackbuffer());
  _fclscolor(0, 0, 255);
  _fcls();
  _fcolor(255, 0, 0);
  _frect(2, 2, 10, 6, 1);
  _fcolor(0, 255, 0);
  _fplot(20, 20);
  _fcolor(255, 255, 255);
  _fline(0, height - 1, width - 1, height - 1);
  _fflip(0);
  _fsetbuffer(_ffrontbuffer());
  _fcolor(255, 255, 0);
  _fplot(30, 30);
  /* One surface in windowed modes, two in full-screen ones. */
  log_int(_freadpixel(30, 30, _fbackbuffer()) == _freadpixel(30, 30, _ffrontbuffer()));
  log_int(_fsavebuffer(_ffrontbuffer(), in_dir(file)));
}

static void modes(void) {
  log_int(_fgraphicswidth());
  log_int(_fgraphicsheight());
  draw_mode(64, 48, 16, 2, "window16.bmp");
  draw_mode(64, 48, 24, 2, "window24.bmp");
  draw_mode(64, 48, 32, 2, "window32.bmp");
  draw_mode(64, 48, 0, 3, "scaled.bmp");
  draw_mode(64, 48, 16, 1, "full16.bmp");
  draw_mode(64, 48, 32, 1, "full32.bmp");
  draw_mode(64, 48, 0, 1, "full0.bmp");
  draw_mode(64, 48, 0, 0, "mode0.bmp");
  _fendgraphics();
  log_int(_fgraphicswidth());
  log_int(_fgraphicsheight());
}

static void pixels(void) {
  _fgraphics(64, 48, 32, 2);
  _fcolor(300, 0, 0);
  log_int(_fcolorred());
  log_int(_fcolorgreen());
  log_int(_fcolorblue());

  _fwritepixel(5, 5, 0xFF123456, 0);
  log_int(_freadpixel(5, 5, 0));
  _fgetcolor(5, 5);
  log_int(_fcolorred());
  _forigin(10, 10);
  _fwritepixel(0, 0, 0xFF00FF00, 0);
  _forigin(0, 0);
  log_int(_freadpixel(10, 10, 0));
  _fviewport(0, 0, 8, 8);
  _fplot(20, 20);
  log_int(_freadpixel(20, 20, 0)); /* outside the viewport: the mask colour */
  /* SetBuffer resets origin and viewport, even for the same buffer. */
  _forigin(3, 3);
  _fsetbuffer(_fgraphicsbuffer());
  _fplot(20, 20);
  log_int(_freadpixel(20, 20, 0));

  log_int(_freadpixelfast(-1, 0, 0));
  log_int(_freadpixelfast(64, 0, 0));
  _fwritepixelfast(100000, -5, 0xFFFFFFFF, 0);
  _flockbuffer(0);
  _flockbuffer(0);
  _fwritepixelfast(1, 1, 0xFFABCDEF, _ffrontbuffer());
  _funlockbuffer(0);
  _funlockbuffer(0);
  _funlockbuffer(0); /* one too many is ignored */
  log_int(_freadpixelfast(1, 1, 0));
  _fcopypixel(5, 5, _ffrontbuffer(), 6, 6, 0);
  log_int(_freadpixel(6, 6, 0));
  _fcopypixelfast(5, 5, 0, 7, 7, 0);
  log_int(_freadpixel(7, 7, 0));
  _fcopyrect(4, 4, 4, 4, 40, 40, 0, 0);
  log_int(_freadpixel(41, 41, 0));

  /* Without gamma control the ramps start as entry i holding i. */
  _fsetgamma(10, 10, 10, 20.0f, -5.0f, 300.0f);
  log_float(_fgammared(10));
  log_float(_fgammagreen(10));
  log_float(_fgammablue(266));
  log_float(_fgammared(11) * 257.0f);

  /* Save and load back, at the same size and stretched to twice it. */
  _fcolor(255, 0, 0);
  _frect(20, 20, 10, 10, 1);
  log_int(_fsavebuffer(_fgraphicsbuffer(), in_dir("saved.bmp")));
  _fcls();
  log_int(_floadbuffer(_fgraphicsbuffer(), in_dir("saved.bmp")));
  log_int(_freadpixel(5, 5, 0));
  log_int(_freadpixel(25, 25, 0));
  log_int(_floadbuffer(_fgraphicsbuffer(), in_dir("missing.bmp")));
  log_int(_floadbuffer(_fgraphicsbuffer(), in_dir("damaged.bmp")));
  _fgraphics(128, 96, 32, 2);
  log_int(_floadbuffer(_ffrontbuffer(), in_dir("saved.bmp")));
  log_int(_freadpixel(50, 50, 0));
  log_int(_freadpixel(10, 100, 0));

  /* The display's modes. */
  log_int(_fcountgfxdrivers() >= 1);
  int modes = _fcountgfxmodes();
  log_int(modes >= 3);
  log_int(_fgfxmodedepth(1));
  log_int(_fgfxmodeexists(_fgfxmodewidth(1), _fgfxmodeheight(1), 24));
  log_int(_fgfxmodeexists(_fgfxmodewidth(1), _fgfxmodeheight(1), 15));
  log_int(_ftotalvidmem() > 0);
}

/* The pointer in canvas coordinates, scaled and clamped. */
static void mouse(void) {
  start = _fmillisecs();
  _fgraphics(800, 600, 0, 3); /* shown in the 400 by 300 client area */
  at(400);
  log_int(_fmousex());
  log_int(_fmousey());
  at(700);
  log_int(_fmousex());
  log_int(_fmousey());
  _fgraphics(64, 48, 0, 2);
  at(1000);
  log_int(_fmousex());
  log_int(_fmousey());
  _fmovemouse(10, 11);
  log_int(_fmousex());
  log_int(_fmousey());
}

void __MAIN(void) {
  if (is("modes")) modes();
  else if (is("pixels")) pixels();
  else if (is("mouse")) mouse();
  else if (is("bad_mode")) _fgraphics(64, 48, 0, 9);
  else if (is("bad_3d_mode")) _fgraphics3d(64, 48, 0, -1);
  else if (is("mode_index")) log_int(_fgfxmodewidth(1));
  else if (is("driver_index")) _fsetgfxdriver(99);
  else if (is("bad_buffer")) _fsetbuffer(12345);
  else if (is("bad_buffer_pixels")) {
    _fwritepixel(1, 1, 0, 12345);
    _fwritepixelfast(1, 1, 0, 12345);
    log_int(_freadpixelfast(1, 1, 12345));
    _fcopyrect(0, 0, 5, 5, 0, 0, 12345, 0);
  } else if (is("too_big")) _fgraphics(40000, 40000, 32, 2);
  log_text("survived");
}
