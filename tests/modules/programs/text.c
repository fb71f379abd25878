/* Fonts, text and the console. The scenario is the command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

/* Pixels of the buffer in the rectangle of the colour, and of any colour
   other than it and the background. */
static void count_colours(int w, int h, int colour, int background) {
  int matching = 0, other = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int p = _freadpixel(x, y, 0) & 0xFFFFFF;
      if (p == colour) ++matching;
      else if (p != background) ++other;
    }
  log_int(matching > 10);
  log_int(other);
}

static void text(void) {
  _fgraphics(64, 48, 32, 2);
  log_int(_ffontheight());
  log_int(_fstringwidth(str("iii")) == _fstringwidth(str("WWW")));  /* "courier" is monospaced */
  _fcolor(255, 0, 0);
  _ftext(0, 0, str("MW"), 0, 0);
  count_colours(64, 48, 0xFF0000, 0);
  _fcls();
  _fclscolor(0, 0, 255);
  _fcls();
  _fcolor(0, 0, 0);
  _ftext(0, 0, str("MW"), 0, 0);
  count_colours(64, 48, 0x000010, 0x0000FF);

  int sans = _floadfont(str("arial"), 20, 0, 0, 0);
  log_int(sans != 0);
  _fsetfont(sans);
  log_int(_ffontheight());
  log_int(_fstringheight(str("whatever")));
  log_int(_fstringwidth(str("i")) < _fstringwidth(str("W")));     /* proportional */
  log_int(_fstringwidth(str("\x01")) == _fstringwidth(str("\x7f"))); /* beyond: the default */
  /* Centred text starts half its width to the left. */
  _fcls();
  _fcolor(255, 255, 255);
  _ftext(32, 24, str("I"), 1, 1);
  int left = 64, top = 48;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if ((_freadpixel(x, y, 0) & 0xFFFFFF) == 0xFFFFFF) {
        if (x < left) left = x;
        if (y < top) top = y;
      }
  log_int(left >= 32 - _fstringwidth(str("I")) / 2 && left < 32);
  log_int(top >= 14 && top < 24);
  int file = _floadfont(str("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), 16, 1, 1, 1);
  log_int(file != 0);
  log_int(_floadfont(str("no such font file.ttf"), 16, 0, 0, 0));
  _ffreefont(sans);
  log_int(_ffontheight());  /* the default font again */
}

static void console(void) {
  _fprint(str("first"));
  log_int(_fgraphicswidth());
  log_int(_fgraphicsheight());
  _fclscolor(0, 0, 200);
  /* 26 lines of 12 pixels fill 312 of 300: the last scrolls by 12. */
  for (int i = 0; i < 26; ++i) _fprint(str("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"));
  int band = 1;
  for (int y = 300 - 12 + 0; y < 300; ++y) {
    /* The freed band took the clear colour before the last line was drawn in it. */
    if ((_freadpixel(399, y, _ffrontbuffer()) & 0xFFFFFF) != 200) band = 0;
  }
  log_int(band);
  _fwrite(str("a"));
  _fwrite(str("b"));
  _flocate(-5, 9999);
  _fprint(str("c"));  /* drawn at the bottom: scrolls everything by a line */
  _fgraphics(64, 48, 32, 2);
  log_int(_fgraphicswidth());
}

static void input(void) {
  _fgraphics(200, 100, 32, 2);
  VxString* line = _finput(str("? "));
  _fdebuglog(__vxStrConcat(str("got:"), line));
}

void __MAIN(void) {
  if (is("text")) text();
  else if (is("console")) console();
  else if (is("input")) input();
  else if (is("bad_font")) _fsetfont(12345);
  log_text("survived");
}
