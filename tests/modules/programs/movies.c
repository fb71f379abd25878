/* Movies: playing every frame at the movie's pace, cut-off and damaged
   files, drawing into rectangles, and movies freed by mode changes. The
   scenario is the command line; the movie files are in VX_TEST_DIR. Frame
   n of the test movies is the colour (n * 25, 128, 255 - n * 25). */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static VxString* in_dir(const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/")), str(name));
}

/* The frame whose colour the pixel has, or -1 for any other colour. */
static int frame_at(int x, int y) {
  int p = _freadpixel(x, y, 0);
  int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
  if (g < 108 || g > 148 || r + b < 230 || r + b > 280) return -1;
  return (r + 12) / 25;
}

/* Draws the movie at its own size until it ends, logging each new frame
   that shows whole (both corners in its colour), then the number of draws
   that showed anything else. */
static void play(const char* name, int depth) {
  _fgraphics(160, 120, depth, 2);
  int m = _fopenmovie(in_dir(name));
  log_int(m != 0);
  if (!m) return;
  int w = _fmoviewidth(m), h = _fmovieheight(m);
  log_int(w);
  log_int(h);
  log_int(_fmovieplaying(m));
  int last = -1, bad = 0;
  for (int draws = 0; draws < 4000 && _fdrawmovie(m, 0, 0, -1, -1); ++draws) {
    int a = frame_at(0, 0), b = frame_at(w - 1, h - 1);
    if (a < 0 || a != b || a < last) {
      ++bad;
    } else if (a != last) {
      _fdebuglog(__vxStrConcat(str("frame "), __vxStrFromInt(a)));
      last = a;
    }
    _fdelay(4);
  }
  log_int(bad);
  log_int(_fmovieplaying(m));
  _fcls();
  log_int(_fdrawmovie(m, 0, 0, -1, -1));
  log_int(_freadpixel(0, 0, 0) & 0xFFFFFF); /* nothing drawn after the end */
  _fclosemovie(m);
  _fclosemovie(m);
  log_int(_fmovieplaying(m));
}

/* The clock decides which frame shows: drawing fast shows the first frame
   again and again; after a wait, frames in between are left out. The movie
   ends at its time even when nothing draws it. */
static void pace(void) {
  _fgraphics(160, 120, 32, 2);
  int opened = _fmillisecs();
  int m = _fopenmovie(in_dir("sound.avi"));
  int same = 1;
  for (int i = 0; i < 30; ++i) {
    if (!_fdrawmovie(m, 0, 0, -1, -1) || frame_at(0, 0) != 0) same = 0;
  }
  log_int(same);
  _fdelay(225);
  _fdrawmovie(m, 0, 0, -1, -1);
  int f = frame_at(0, 0);
  log_int(f >= 4 && f <= 7);
  log_int(_fmovieplaying(m));
  for (int i = 0; i < 300 && _fmovieplaying(m); ++i) _fdelay(5);
  int took = _fmillisecs() - opened;
  log_int(!_fmovieplaying(m) && took >= 480 && took < 1500);
  log_int(_fdrawmovie(m, 0, 0, -1, -1));
}

/* Stretched into a rectangle; a rectangle reaching outside the buffer
   draws nothing; the buffer's origin does not move the movie. */
static void rects(void) {
  _fgraphics(160, 120, 32, 2);
  int m = _fopenmovie(in_dir("movie.avi"));
  log_int(_fdrawmovie(m, 100, 60, 40, 30));
  log_int(frame_at(100, 60));
  log_int(frame_at(139, 89));
  log_int(_freadpixel(99, 59, 0) & 0xFFFFFF);
  log_int(_freadpixel(140, 90, 0) & 0xFFFFFF);
  _fcls();
  log_int(_fdrawmovie(m, 150, 0, -1, -1));
  log_int(_freadpixel(150, 0, 0) & 0xFFFFFF);
  _forigin(50, 50);
  log_int(_fdrawmovie(m, 0, 0, 8, 8));
  _forigin(0, 0);
  log_int(frame_at(0, 0));
  log_int(frame_at(7, 7));
  log_int(_freadpixel(8, 8, 0) & 0xFFFFFF);
}

void __MAIN(void) {
  if (is("play")) play("movie.avi", 32);
  else if (is("play16")) play("movie.avi", 16);
  else if (is("play24")) play("movie.avi", 24);
  else if (is("sound")) play("sound.avi", 32);
  else if (is("cut")) play("cut.avi", 32);
  else if (is("pace")) pace();
  else if (is("rects")) rects();
  else if (is("bad_files")) {
    _fgraphics(160, 120, 32, 2);
    log_int(_fopenmovie(in_dir("garbage.avi")));
    log_int(_fopenmovie(in_dir("empty.avi")));
    log_int(_fopenmovie(in_dir("missing.avi")));
    log_int(_fopenmovie(in_dir("tone.wav")));
    log_int(_fopenmovie(in_dir("headless.avi")));
  } else if (is("mode_change")) {
    int m = _fopenmovie(in_dir("sound.avi"));
    log_int(m != 0);
    _fgraphics(160, 120, 32, 2);
    log_int(_fmovieplaying(m));
    log_int(_fdrawmovie(m, 0, 0, -1, -1));
    int n = _fopenmovie(in_dir("sound.avi"));
    _fendgraphics();
    log_int(_fmovieplaying(n));
    _fclosemovie(n);
  } else if (is("left_open")) {
    _fgraphics(160, 120, 32, 2);
    int m = _fopenmovie(in_dir("sound.avi"));
    log_int(_fdrawmovie(m, 0, 0, -1, -1));
  }
  log_text("survived");
}
