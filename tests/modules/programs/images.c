/* Images: animation sheets, transforms, drawing, tiling, collisions and
   freeing. The scenario is the command line; files go into VX_TEST_DIR. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static VxString* in_dir(const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/")), str(name));
}

/* A 64 by 32 sheet of 16 by 16 cells, cell i in colour (i * 20 + 10, 0, 0). */
static void write_sheet(void) {
  _fgraphics(64, 32, 32, 2);
  for (int i = 0; i < 8; ++i) {
    _fcolor(i * 20 + 10, 0, 0);
    _frect((i % 4) * 16, (i / 4) * 16, 16, 16, 1);
  }
  _fsavebuffer(_ffrontbuffer(), in_dir("sheet.bmp"));
}

static int red_of_frame(int image, int frame) {
  _fsetbuffer(_fimagebuffer(image, frame));
  int red = (_freadpixel(8, 8, 0) >> 16) & 255;
  _fsetbuffer(_ffrontbuffer());
  return red;
}

static void anim(void) {
  write_sheet();
  int image = _floadanimimage(in_dir("sheet.bmp"), 16, 16, 6, 2);
  log_int(_fimagewidth(image));
  log_int(red_of_frame(image, 0)); /* cell 6, at (32, 16) */
  log_int(red_of_frame(image, 1)); /* cell 7, at (48, 16) */
  _fautomidhandle(1);
  int mid = _floadanimimage(in_dir("sheet.bmp"), 16, 16, 0, 1);
  log_int(_fimagexhandle(mid));
  log_int(_floadanimimage(in_dir("missing.bmp"), 16, 16, 0, 1));
}

static void sheet_error(int first, int count) {
  write_sheet();
  _floadanimimage(in_dir("sheet.bmp"), 16, 16, first, count);
}

static void transforms(void) {
  _fgraphics(64, 48, 32, 2);
  int a = _fcreateimage(10, 20, 1);
  _fscaleimage(a, 2.0f, 2.0f);
  log_int(_fimagewidth(a));
  log_int(_fimageheight(a));
  log_int(_fimagexhandle(a));
  int b = _fcreateimage(10, 20, 1);
  _fhandleimage(b, 5, 10);
  _fscaleimage(b, 2.0f, 2.0f);
  log_int(_fimagewidth(b));
  log_int(_fimagexhandle(b));
  log_int(_fimageyhandle(b));

  /* Without filtering, doubling copies every pixel into a 2 by 2 block and
     a quarter turn moves every pixel exactly. The turn's sine and cosine
     are single-precision values, so the corners land a hair beyond whole
     pixels and the turned image has a border of one pixel on two sides. */
  _ftformfilter(0);
  int c = _fcreateimage(4, 2, 1);
  _fsetbuffer(_fimagebuffer(c, 0));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) _fwritepixel(x, y, 0xFF000000 | (x * 40 << 16) | (y * 40 << 8), 0);
  _fsetbuffer(_ffrontbuffer());
  int d = _fcopyimage(c);
  _fscaleimage(c, 2.0f, 2.0f);
  _fsetbuffer(_fimagebuffer(c, 0));
  int same = 1;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      if (_freadpixel(x, y, 0) != (int)(0xFF000000 | ((x / 2) * 40 << 16) | ((y / 2) * 40 << 8))) same = 0;
  log_int(same);
  _frotateimage(d, 90.0f);
  log_int(_fimagewidth(d));
  log_int(_fimageheight(d));
  log_int(_fimagexhandle(d));
  _fsetbuffer(_fimagebuffer(d, 0));
  same = 1;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
      if (_freadpixel(2 - y, x + 1, 0) != (int)(0xFF000000 | (x * 40 << 16) | (y * 40 << 8))) same = 0;
  log_int(same);
  _fsetbuffer(_ffrontbuffer());
  /* With filtering a flat colour stays flat. */
  _ftformfilter(1);
  int e = _fcreateimage(8, 8, 1);
  _fsetbuffer(_fimagebuffer(e, 0));
  _fclscolor(0, 200, 0);
  _fcls();
  _fsetbuffer(_ffrontbuffer());
  _fresizeimage(e, 16.0f, 24.0f);
  log_int(_fimagewidth(e));
  log_int(_fimageheight(e));
  _fsetbuffer(_fimagebuffer(e, 0));
  log_int(_freadpixel(8, 12, 0) & 0xFFFFFF);
}

static void drawing(void) {
  _fgraphics(32, 32, 32, 2);
  _fclscolor(0, 0, 255);
  _fcls();
  int img = _fcreateimage(4, 4, 1);
  _fsetbuffer(_fimagebuffer(img, 0));
  _fcolor(255, 0, 0);
  _fplot(1, 1);
  _fsetbuffer(_ffrontbuffer());
  _fdrawimage(img, 10, 10, 0);                 /* black is left out */
  log_int(_freadpixel(10, 10, 0) & 0xFFFFFF);
  log_int(_freadpixel(11, 11, 0) & 0xFFFFFF);
  _fdrawblock(img, 20, 20, 0);                 /* everything copied */
  log_int(_freadpixel(20, 20, 0) & 0xFFFFFF);
  _fmaskimage(img, 255, 0, 0);
  _fdrawimage(img, 0, 0, 0);
  log_int(_freadpixel(1, 1, 0) & 0xFFFFFF);    /* red is the mask now */
  log_int(_freadpixel(0, 0, 0) & 0xFFFFFF);
  _fmidhandle(img);
  _fdrawblockrect(img, 5, 25, 1, 1, 1, 1, 0);  /* less the handle (2, 2) */
  log_int(_freadpixel(3, 23, 0) & 0xFFFFFF);

  /* Tiles aligned to (1, 1) cover the whole buffer. */
  _fhandleimage(img, 0, 0);
  _fmaskimage(img, 0, 0, 0);
  _fcls();
  _ftileblock(img, 1, 1, 0);
  log_int(_freadpixel(2, 2, 0) & 0xFFFFFF);
  log_int(_freadpixel(30, 30, 0) & 0xFFFFFF);
  log_int(_freadpixel(3, 2, 0) & 0xFFFFFF);

  /* GrabImage takes the buffer's pixels at the point less the handle. */
  int grab = _fcreateimage(2, 2, 1);
  _fgrabimage(grab, 2, 2, 0);
  _fsetbuffer(_fimagebuffer(grab, 0));
  log_int(_freadpixel(0, 0, 0) & 0xFFFFFF);
  _fsetbuffer(_ffrontbuffer());

  /* Freeing the image being drawn on brings the front buffer back. */
  _fsetbuffer(_fimagebuffer(grab, 0));
  _ffreeimage(grab);
  _ffreeimage(grab);
  log_int(_fgraphicsbuffer() == _ffrontbuffer());
  log_int(_fsaveimage(img, in_dir("image.bmp"), 0));
  int loaded = _floadimage(in_dir("image.bmp"));
  log_int(_fimagewidth(loaded));
  log_int(_floadimage(in_dir("missing.png")));
  int none = _fcreateimage(4, 4, 0);
  log_int(none != 0);
}

static void collisions(void) {
  _fgraphics(32, 32, 32, 2);
  int a = _fcreateimage(10, 10, 1);
  int b = _fcreateimage(10, 10, 1);
  _fsetbuffer(_fimagebuffer(a, 0));
  _fcolor(255, 255, 255);
  _frect(0, 0, 3, 3, 1);
  _fsetbuffer(_fimagebuffer(b, 0));
  _frect(7, 7, 3, 3, 1);
  _fsetbuffer(_ffrontbuffer());
  log_int(_fimagesoverlap(a, 0, 0, b, 5, 5));          /* boxes overlap */
  log_int(_fimagescollide(a, 0, 0, 0, b, 5, 5, 0));    /* pixels do not */
  log_int(_fimagescollide(a, 0, 0, 0, b, -7, -7, 0));  /* now they do */
  log_int(_fimagesoverlap(a, 0, 0, b, 10, 0));         /* edge to edge */
  _fmidhandle(b);
  log_int(_fimagesoverlap(a, 0, 0, b, 14, 14));        /* handles count */
  log_int(_frectsoverlap(0, 0, 10, 10, 9, 9, 5, 5));
  log_int(_frectsoverlap(0, 0, 10, 10, 10, 0, 5, 5));
  log_int(_fimagerectoverlap(a, 0, 0, 5, 5, 2, 2));
  log_int(_fimagerectcollide(a, 0, 0, 0, 5, 5, 2, 2));
  log_int(_fimagerectcollide(a, 0, 0, 0, 2, 2, 2, 2));
}

void __MAIN(void) {
  if (is("anim")) anim();
  else if (is("too_few")) sheet_error(7, 2);
  else if (is("no_count")) sheet_error(0, 0);
  else if (is("bad_first")) sheet_error(-1, 1);
  else if (is("transforms")) transforms();
  else if (is("drawing")) drawing();
  else if (is("collisions")) collisions();
  else if (is("after_mode_change")) {
    int img = _fcreateimage(4, 4, 1);
    _fgraphics(32, 32, 32, 2);
    _fdrawimage(img, 0, 0, 0);
  } else if (is("bad_frame")) {
    _fdrawimage(_fcreateimage(4, 4, 2), 0, 0, 2);
  }
  log_text("survived");
}
