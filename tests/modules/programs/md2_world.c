/* MD2 models in the world update: playback advances once per UpdateWorld
   for enabled models, and MD2 models are never hit by polygon collisions.
   The scenario is the command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static int load_sydney(void) {
  return _floadmd2(__vxStrConcat(_fgetenv(str("VX_MEDIA")), str("/sydney.md2")), 0);
}

/* Hundredths, rounded, so that the log does not depend on float text. */
static void log_hundredths(float value) { log_int((int)(value * 100.0f + (value < 0 ? -0.5f : 0.5f))); }

static void playback(void) {
  _fgraphics3d(64, 48, 0, 2);
  int m = load_sydney();
  _fanimatemd2(m, 1, 0.5f, 0, 9, 0);
  _fupdateworld(1);
  log_hundredths(_fmd2animtime(m));
  _fupdateworld(4);
  log_hundredths(_fmd2animtime(m));
  _fupdateworld(14); /* past 9: back round to the start of the loop */
  log_hundredths(_fmd2animtime(m));
  _fhideentity(m);
  _fupdateworld(1);
  log_hundredths(_fmd2animtime(m));
  _fshowentity(m);

  _fanimatemd2(m, 1, 1, 20, 30, 10);
  for (int i = 0; i < 9; ++i) _fupdateworld(100);
  log_int(_fmd2animating(m));
  log_hundredths(_fmd2animtime(m));
  _fupdateworld(0.5f); /* the tenth update ends the transition and plays */
  log_hundredths(_fmd2animtime(m));
}

/* A ball swept through Sydney by polygon collisions passes; the same sweep
   into a cube stops at it. */
static void collisions(void) {
  _fgraphics3d(64, 48, 0, 2);
  int sydney = load_sydney();
  _fentitytype(sydney, 2, 0);
  int cube = _fcreatecube(0);
  _fpositionentity(cube, 0, 0, 200, 0);
  _fscaleentity(cube, 30, 30, 30, 0);
  _fentitytype(cube, 2, 0);
  int ball = _fcreatepivot(0);
  _fentityradius(ball, 1, 0);
  _fentitytype(ball, 1, 0);
  _fcollisions(1, 2, 2, 1);
  _fpositionentity(ball, 0, 0, -100, 0);
  _fresetentity(ball);
  _fpositionentity(ball, 0, 0, 100, 0);
  _fupdateworld(1);
  log_int(_fcountcollisions(ball));
  log_hundredths(_fentityz(ball, 0));
  _fpositionentity(ball, 0, 0, 300, 0);
  _fupdateworld(1);
  log_int(_fcountcollisions(ball));
  log_int(_fentitycollided(ball, 2) == cube);
  log_int(_fentityz(ball, 0) < 170);
}

void __MAIN(void) {
  if (is("playback")) playback();
  if (is("collisions")) collisions();
}
