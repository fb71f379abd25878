/* The runtime's sliding side of terrain_benchmark.sh: the terrain loaded
   from VX_MAP at VX_SCALE units a grid square and 400 high, and the 200
   ellipsoids of terrain_slide.h sliding over it through VX_UPDATES updates
   (300 without it). Prints the time an update and the movers' mean height,
   to compare the outcome with the peer's. */
#include <vexel.h>

#include "terrain_slide.h"

static VxString* env(const char* name) { return _fgetenv(__vxStrConst(name)); }

static void report(const char* what, float value, const char* unit) {
  VxString* line = __vxStrConcat(__vxStrConst(what), __vxStrFromFloat(value));
  _fdebuglog(__vxStrConcat(line, __vxStrConst(unit)));
}

static int movers[SLIDE_MOVERS];

void __MAIN(void) {
  _fgraphics3d(640, 480, 32, 2);
  int terrain = _floadterrain(env("VX_MAP"), 0);
  float scale = (float)__vxStrToInt(env("VX_SCALE"));
  _fscaleentity(terrain, scale, 400, scale, 0);
  _fentitytype(terrain, 2, 0);
  _fcollisions(1, 2, 2, 2);
  for (int i = 0; i < SLIDE_MOVERS; ++i) {
    float p[3];
    slide_start(i, p);
    movers[i] = _fcreatepivot(0);
    _fpositionentity(movers[i], p[0], p[1], p[2], 0);
    _fentityradius(movers[i], SLIDE_RADIUS_X, SLIDE_RADIUS_Y);
    _fentitytype(movers[i], 1, 0);
  }

  int updates = __vxStrToInt(env("VX_UPDATES"));
  if (updates <= 0) updates = 300;
  int start = _fmillisecs();
  for (int step = 0; step < updates; ++step) {
    for (int i = 0; i < SLIDE_MOVERS; ++i) {
      float d[3];
      slide_move(i, step, d);
      _ftranslateentity(movers[i], d[0], d[1], d[2], 0);
    }
    _fupdateworld(1);
  }
  report("runtime update: ", (float)(_fmillisecs() - start) / updates, " ms");
  float height = 0;
  for (int i = 0; i < SLIDE_MOVERS; ++i) height += _fentityy(movers[i], 1);
  report("runtime mean height: ", height / SLIDE_MOVERS, "");
}
