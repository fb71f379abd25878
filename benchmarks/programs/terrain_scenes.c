/* The runtime's side of terrain_benchmark.sh: RenderWorld plus Flip at
   640x480x32 over a terrain loaded from VX_MAP, VX_SCALE units a grid
   square and 400 high, textured with VX_TEXTURE, at detail VX_DETAIL, along
   the camera path of the benchmark (circling the middle of the 4096-unit
   field, looking ahead and down), for VX_FRAMES frames. With VX_SHOT set,
   the first frame is saved there as a BMP.
   Prints "runtime: <fps> fps (<triangles> triangles a frame)". */
#include <vexel.h>

static VxString* env(const char* name) { return _fgetenv(__vxStrConst(name)); }
static int env_int(const char* name) { return __vxStrToInt(env(name)); }

/* Frame i of frames: the eye and the point it looks at. */
static void place(int camera, int target, int i, int frames) {
  float a = 360.0f * (float)i / (float)frames, b = a + 17.188733f; /* 0.3 radians */
  _fpositionentity(camera, 2048 + 1200 * _fcos(a), 600, 2048 + 1200 * _fsin(a), 0);
  _fpositionentity(target, 2048 + 1200 * _fcos(b), 150, 2048 + 1200 * _fsin(b), 0);
  _fpointentity(camera, target, 0);
}

void __MAIN(void) {
  _fgraphics3d(640, 480, 32, 2);
  int terrain = _floadterrain(env("VX_MAP"), 0);
  int n = _fterrainsize(terrain);
  int texture = _floadtexture(env("VX_TEXTURE"), 1 + 8);
  _fscaletexture(texture, (float)n, (float)n);
  _fentitytexture(terrain, texture, 0, 0);
  _fentityfx(terrain, 1);
  float scale = (float)env_int("VX_SCALE");
  _fscaleentity(terrain, scale, 400, scale, 0);
  _fterraindetail(terrain, env_int("VX_DETAIL"), 0);
  int camera = _fcreatecamera(0);
  _fcamerarange(camera, 1, 5000);
  int target = _fcreatepivot(0);

  int frames = env_int("VX_FRAMES");
  if (frames <= 0) frames = 200;
  place(camera, target, 0, frames);
  _frenderworld(1);
  /* A command takes its string arguments over: each call reads the
     variable afresh. */
  if (_flen(env("VX_SHOT")) > 0) _fsavebuffer(_fbackbuffer(), env("VX_SHOT"));
  _fflip(0);
  int start = _fmillisecs(), triangles = 0;
  for (int i = 0; i < frames; ++i) {
    place(camera, target, i, frames);
    _frenderworld(1);
    triangles += _ftrisrendered();
    _fflip(0);
  }
  float seconds = (float)(_fmillisecs() - start) / 1000;
  VxString* line = __vxStrConst("runtime: ");
  line = __vxStrConcat(line, __vxStrFromFloat(frames / seconds));
  line = __vxStrConcat(line, __vxStrConst(" fps ("));
  line = __vxStrConcat(line, __vxStrFromInt(triangles / frames));
  line = __vxStrConcat(line, __vxStrConst(" triangles a frame)"));
  _fdebuglog(line);
}
