/* Picks of spheres, boxes and meshes along lines, entities' axes and camera
   pixels, and what an obscurer hides. Values are logged in thousandths;
   each part of the world stands at its own x. */
#include "testlib.h"

static void log_milli(float value) { log_int((int)(value * 1000.0f + (value < 0 ? -0.5f : 0.5f))); }
static void log_yes(int value) { log_int(value != 0); }

static void log_pick(void) {
  log_milli(_fpickedx());
  log_milli(_fpickedy());
  log_milli(_fpickedz());
  log_milli(_fpickednx());
  log_milli(_fpickedny());
  log_milli(_fpickednz());
  log_milli(_fpickedtime());
  log_yes(_fpickedsurface());
  log_int(_fpickedtriangle());
}

static int pickable(float x, float y, float z, float radius, int mode, int parent) {
  int e = _fcreatepivot(parent);
  _fpositionentity(e, x, y, z, 0);
  _fentityradius(e, radius, 0);
  _fentitypickmode(e, mode, 1);
  return e;
}

void __MAIN(void) {
  _fgraphics3d(64, 48, 0, 2);
  log_int(_fpickedentity());
  log_milli(_fpickedtime());
  log_int(_fpickedtriangle());
  log_text("-");

  /* A sphere. */
  int ball = pickable(0, 0, 10, 2, 1, 0);
  log_yes(_flinepick(0, 0, 0, 0, 0, 20, 0) == ball);
  log_pick();

  /* A box keeps its size when its entity is scaled; a swept sphere meets
     its edge. */
  int crate = pickable(10, 0, 10, 1, 3, 0);
  _fscaleentity(crate, 3, 3, 3, 0);
  log_yes(_flinepick(10, 0, 0, 0, 0, 20, 0) == crate);
  log_milli(_fpickedz());
  log_milli(_fpickedtime());
  log_yes(_flinepick(10, 1.5f, 0, 0, 0, 20, 1) == crate);
  log_pick();
  log_text("-");

  /* A mesh by its triangles, and again once it has grown. */
  int cube = _fcreatecube(0);
  _fpositionentity(cube, -10, 0, 30, 0);
  _fentitypickmode(cube, 2, 1);
  log_yes(_flinepick(-9.5f, 0.5f, 0, 0, 0, 40, 0) == cube);
  log_yes(_fpickedsurface() == _fgetsurface(cube, 1));
  log_pick();
  _flinepick(-10.5f, -0.5f, 0, 0, 0, 40, 0);
  log_int(_fpickedtriangle());
  _fscalemesh(cube, 1, 1, 2);
  _flinepick(-9.5f, 0.5f, 0, 0, 0, 40, 0);
  log_milli(_fpickedtime());

  /* A miss keeps the point. */
  log_int(_flinepick(100, 100, 100, 0, 0, 1, 0));
  log_pick();
  log_text("-");

  /* Hidden entities and children of hidden ones are not picked. */
  int parent = _fcreatepivot(0);
  int child = pickable(0, 0, 12, 1, 1, parent);
  _fhideentity(ball);
  _fhideentity(parent);
  log_int(_flinepick(0, 0, 0, 0, 0, 20, 0));
  _fshowentity(parent);
  log_yes(_flinepick(0, 0, 0, 0, 0, 20, 0) == child);
  log_milli(_fpickedtime());

  /* EntityPick reaches range times the z axis, scale and all. */
  int eye = _fcreatepivot(0);
  _fpositionentity(eye, 20, 0, 0, 0);
  int far = pickable(20, 0, 15, 1, 1, 0);
  log_int(_fentitypick(eye, 10));
  _fscaleentity(eye, 1, 1, 2, 0);
  log_yes(_fentitypick(eye, 10) == far);
  log_milli(_fpickedtime());
  log_text("-");

  /* CameraPick: the viewport's centre looks along the camera's axis; an
     off-centre pixel's line spreads in perspective and stays parallel
     in orthographic projection. */
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, 40, 0, 0, 0);
  int ahead = pickable(40, 0, 20, 1, 1, 0);
  int aside = pickable(40.5f, 0, 10, 0.3f, 1, 0);
  log_yes(_fcamerapick(camera, 32, 24) == ahead);
  log_milli(_fpickedz());
  log_milli(_fpickedtime());
  log_int(_fcamerapick(camera, 48, 24));
  _fcameraprojmode(camera, 2);
  log_yes(_fcamerapick(camera, 48, 24) == aside);
  log_milli(_fpickedx());
  log_text("-");

  /* EntityVisible looks past everything but obscurers, and leaves the
     pick alone. */
  int from = _fcreatepivot(0);
  _fpositionentity(from, 60, 0, 0, 0);
  int to = _fcreatepivot(0);
  _fpositionentity(to, 60, 0, 20, 0);
  int wall = pickable(60, 0, 10, 1, 3, 0);
  log_int(_fentityvisible(from, to));
  _fentitypickmode(wall, 3, 0);
  log_int(_fentityvisible(from, to));
  log_yes(_flinepick(60, 0, 0, 0, 0, 20, 0) == wall);
  _fentitypickmode(wall, 3, 1);
  _fhideentity(wall);
  log_int(_fentityvisible(from, to));
  log_yes(_fpickedentity() == wall);

  _fcamerapick(ball, 0, 0);
}
