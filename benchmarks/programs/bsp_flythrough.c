/* The runtime's side of bsp_benchmark.sh: loads the level VX_LEVEL at
   640x480x32 and flies along the path of bsp_path.h for VX_FRAMES frames
   of RenderWorld and Flip. Prints "runtime level: load <ms> ms, <fps> fps
   (<triangles> triangles a frame)". */
#include <vexel.h>

#include "bsp_path.h"

static VxString* text(const char* s) { return __vxStrConst(s); }

/* A point of the level file in the engine's axes. */
static void place(int entity, const float p[3]) { _fpositionentity(entity, -p[1], p[2], p[0], 0); }

void __MAIN(void) {
  _fgraphics3d(640, 480, 32, 2);
  int start = _fmillisecs();
  int level = _floadbsp(_fgetenv(text("VX_LEVEL")), 0, 0);
  int loadMs = _fmillisecs() - start;
  if (!level) {
    _fdebuglog(text("no level"));
    return;
  }
  int camera = _fcreatecamera(0);
  _fcamerarange(camera, 1, 4000);
  int target = _fcreatepivot(0);

  int frames = __vxStrToInt(_fgetenv(text("VX_FRAMES")));
  if (frames <= 0) frames = 600;
  float at[3], ahead[3];
  bspPathPoint(0, frames, at, ahead);
  place(camera, at);
  place(target, ahead);
  _fpointentity(camera, target, 0);
  _frenderworld(1);
  _fflip(0);
  int triangles = 0;
  start = _fmillisecs();
  for (int i = 0; i < frames; ++i) {
    bspPathPoint(i, frames, at, ahead);
    place(camera, at);
    place(target, ahead);
    _fpointentity(camera, target, 0);
    _frenderworld(1);
    triangles += _ftrisrendered();
    _fflip(0);
  }
  float seconds = (float)(_fmillisecs() - start) / 1000;
  VxString* line = __vxStrConcat(text("runtime level: load "), __vxStrFromInt(loadMs));
  line = __vxStrConcat(line, text(" ms, "));
  line = __vxStrConcat(line, __vxStrFromFloat(frames / seconds));
  line = __vxStrConcat(line, text(" fps ("));
  line = __vxStrConcat(line, __vxStrFromInt(triangles / frames));
  line = __vxStrConcat(line, text(" triangles a frame)"));
  _fdebuglog(line);
}
