/* The scenes of render_benchmark.sh, drawn by the runtime at 640x480x32 and
   timed over VX_FRAMES frames of RenderWorld and Flip:
     VX_SCENE=mesh   one lit, textured sphere of 9,800 triangles;
     VX_SCENE=cubes  1,000 lit, textured cubes, each an entity of its own;
     VX_SCENE=alpha  the same cubes drawn half transparent.
   Prints "runtime <scene>: <fps> fps (<triangles> triangles a frame)". */
#include <vexel.h>

static int is_scene(const char* name) { return __vxStrCompare(_fgetenv(__vxStrConst("VX_SCENE")), __vxStrConst(name)) == 0; }

/* 256x256 in 32-pixel squares, as the peer's texture. */
static int checker_texture(void) {
  int texture = _fcreatetexture(256, 256, 0, 1);
  _fsetbuffer(_ftexturebuffer(texture, 0));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      if ((x + y) % 2) _fcolor(230, 200, 60);
      else _fcolor(40, 90, 200);
      _frect(x * 32, y * 32, 32, 32, 1);
    }
  _fsetbuffer(_fbackbuffer());
  return texture;
}

void __MAIN(void) {
  _fgraphics3d(640, 480, 32, 2);
  int texture = checker_texture();
  if (is_scene("mesh")) {
    int sphere = _fcreatesphere(50, 0);
    _fscaleentity(sphere, 2, 2, 2, 0);
    _fpositionentity(sphere, 0, 0, 5, 0);
    _fentitytexture(sphere, texture, 0, 0);
  } else {
    int alpha = is_scene("alpha");
    for (int i = 0; i < 1000; ++i) {
      int cube = _fcreatecube(0);
      _fscaleentity(cube, 0.6f, 0.6f, 0.6f, 0);
      _fpositionentity(cube, (float)(i % 10) * 2 - 9, (float)(i / 10 % 10) * 2 - 9, (float)(i / 100) * 2 + 14, 0);
      _fentitytexture(cube, texture, 0, 0);
      if (alpha) _fentityalpha(cube, 0.5f);
    }
  }
  _fcreatecamera(0);
  int light = _fcreatelight(2, 0);
  _fpositionentity(light, -10, 10, -10, 0);
  _flightrange(light, 100);

  int frames = __vxStrToInt(_fgetenv(__vxStrConst("VX_FRAMES")));
  if (frames <= 0) frames = 100;
  _frenderworld(1);
  _fflip(0);
  int start = _fmillisecs();
  for (int i = 0; i < frames; ++i) {
    _frenderworld(1);
    _fflip(0);
  }
  float seconds = (float)(_fmillisecs() - start) / 1000;
  VxString* line = __vxStrConcat(__vxStrConst("runtime "), _fgetenv(__vxStrConst("VX_SCENE")));
  line = __vxStrConcat(line, __vxStrConst(": "));
  line = __vxStrConcat(line, __vxStrFromFloat(frames / seconds));
  line = __vxStrConcat(line, __vxStrConst(" fps ("));
  line = __vxStrConcat(line, __vxStrFromInt(_ftrisrendered()));
  line = __vxStrConcat(line, __vxStrConst(" triangles a frame)"));
  _fdebuglog(line);
}
