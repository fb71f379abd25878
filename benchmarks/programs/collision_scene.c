/* The runtime's side of collision_benchmark.sh: the level of
   collision_level.h as one mesh, 500 ellipsoids sliding over and against
   it through VX_UPDATES updates (300 without it), then its 100,000 rays
   as LinePicks. Prints the time per update, the picks per second, and
   figures to compare the outcome with the peer's: the movers' mean height
   and the rays that hit. */
#include <vexel.h>

#include "collision_level.h"

typedef struct {
  int mesh;
  int surface;
  int vertices;
} Level;

/* Quads go into surfaces of at most 65,536 vertices. */
static void add_quad(void* context, const float* c) {
  Level* level = (Level*)context;
  if (!level->surface || level->vertices + 4 > 65536) {
    level->surface = _fcreatesurface(level->mesh, 0);
    level->vertices = 0;
  }
  int first = level->vertices;
  for (int k = 0; k < 4; ++k) _faddvertex(level->surface, c[k * 3], c[k * 3 + 1], c[k * 3 + 2], 0, 0, 1);
  _faddtriangle(level->surface, first, first + 1, first + 2);
  _faddtriangle(level->surface, first, first + 2, first + 3);
  level->vertices += 4;
}

static void report(const char* what, float value, const char* unit) {
  VxString* line = __vxStrConcat(__vxStrConst(what), __vxStrFromFloat(value));
  _fdebuglog(__vxStrConcat(line, __vxStrConst(unit)));
}

static int movers[LEVEL_MOVERS];

void __MAIN(void) {
  _fgraphics3d(640, 480, 32, 2);
  Level level = {_fcreatemesh(0), 0, 0};
  level_build(add_quad, &level);
  _fentitytype(level.mesh, 2, 0);
  _fentitypickmode(level.mesh, 2, 1);
  _fcollisions(1, 2, 2, 2);
  for (int i = 0; i < LEVEL_MOVERS; ++i) {
    float p[3];
    level_start(i, p);
    movers[i] = _fcreatepivot(0);
    _fpositionentity(movers[i], p[0], p[1], p[2], 0);
    _fentityradius(movers[i], LEVEL_RADIUS_X, LEVEL_RADIUS_Y);
    _fentitytype(movers[i], 1, 0);
  }
  _fupdateworld(1); /* builds the collision tree */

  int updates = __vxStrToInt(_fgetenv(__vxStrConst("VX_UPDATES")));
  if (updates <= 0) updates = 300;
  int start = _fmillisecs();
  for (int step = 0; step < updates; ++step) {
    for (int i = 0; i < LEVEL_MOVERS; ++i) {
      float d[3];
      level_move(i, step, d);
      _ftranslateentity(movers[i], d[0], d[1], d[2], 0);
    }
    _fupdateworld(1);
  }
  report("runtime update: ", (float)(_fmillisecs() - start) / updates, " ms");
  float height = 0;
  for (int i = 0; i < LEVEL_MOVERS; ++i) height += _fentityy(movers[i], 1);
  report("runtime mean height: ", height / LEVEL_MOVERS, "");

  int hits = 0;
  start = _fmillisecs();
  for (int k = 0; k < LEVEL_PICKS; ++k) {
    float o[3], d[3];
    level_ray(k, o, d);
    hits += _flinepick(o[0], o[1], o[2], d[0], d[1], d[2], 0) != 0;
  }
  int elapsed = _fmillisecs() - start;
  report("runtime picks: ", (float)LEVEL_PICKS * 1000 / (float)(elapsed > 0 ? elapsed : 1), " per second");
  report("runtime rays hit: ", (float)hits, "");
}
