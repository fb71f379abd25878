/* The runtime's side of md2_benchmark.sh: 200 animated copies of sydney.md2
   (from VX_MEDIA) in view at 640x480x32, timed over VX_FRAMES frames of
   UpdateWorld, RenderWorld and Flip. Each copy loops 40 frames of its own,
   starting one frame after the one before it, as the peer's nodes do.
   Prints "runtime md2: <fps> fps (<triangles> triangles a frame)". */
#include <vexel.h>

static VxString* media(const char* name) {
  return __vxStrConcat(__vxStrConcat(_fgetenv(__vxStrConst("VX_MEDIA")), __vxStrConst("/")), __vxStrConst(name));
}

void __MAIN(void) {
  _fgraphics3d(640, 480, 32, 2);
  int sydney = _floadmd2(media("sydney.md2"), 0);
  _fentitytexture(sydney, _floadtexture(media("sydney.bmp"), 1), 0, 0);
  for (int i = 0; i < 200; ++i) {
    int copy = i ? _fcopyentity(sydney, 0) : sydney;
    _fpositionentity(copy, (float)(i % 20) * 30 - 285, (float)(i / 20) * 60 - 270, 400, 0);
    _fanimatemd2(copy, 1, 0.25f, i % 40, i % 40 + 40, 0);
  }
  _fcreatecamera(0);
  _fcreatelight(1, 0);

  int frames = __vxStrToInt(_fgetenv(__vxStrConst("VX_FRAMES")));
  if (frames <= 0) frames = 50;
  _fupdateworld(1);
  _frenderworld(1);
  _fflip(0);
  int start = _fmillisecs();
  for (int i = 0; i < frames; ++i) {
    _fupdateworld(1);
    _frenderworld(1);
    _fflip(0);
  }
  float seconds = (float)(_fmillisecs() - start) / 1000;
  VxString* line = __vxStrConcat(__vxStrConst("runtime md2: "), __vxStrFromFloat(frames / seconds));
  line = __vxStrConcat(line, __vxStrConst(" fps ("));
  line = __vxStrConcat(line, __vxStrFromInt(_ftrisrendered()));
  line = __vxStrConcat(line, __vxStrConst(" triangles a frame)"));
  _fdebuglog(line);
}
