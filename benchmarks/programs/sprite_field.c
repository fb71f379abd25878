/* The runtime's side of sprite_benchmark.sh: a particle field of 10,000
   sprites of one texture (VX_PARTICLE names the image), in a block in front
   of the camera at 640x480x32, timed over VX_FRAMES frames of RenderWorld
   and Flip while the camera turns a little each frame, so that every
   sprite is built again. Prints "runtime sprites: <fps> fps (<triangles> triangles a
   frame)". */
#include <vexel.h>

static VxString* env(const char* name) { return _fgetenv(__vxStrConst(name)); }

void __MAIN(void) {
  _fgraphics3d(640, 480, 32, 2);
  int camera = _fcreatecamera(0);
  int first = _floadsprite(env("VX_PARTICLE"), 1, 0);
  _fscalesprite(first, 0.4f, 0.4f);
  for (int i = 0; i < 10000; ++i) {
    int sprite = i ? _fcopyentity(first, 0) : first;
    _fpositionentity(sprite, (float)(i % 25) - 12, (float)(i / 25 % 20) - 9.5f, (float)(i / 500) + 20, 0);
  }

  int frames = __vxStrToInt(env("VX_FRAMES"));
  if (frames <= 0) frames = 100;
  _frenderworld(1);
  _fflip(0);
  int start = _fmillisecs();
  for (int i = 0; i < frames; ++i) {
    _fturnentity(camera, 0, 0.01f, 0, 0);
    _frenderworld(1);
    _fflip(0);
  }
  float seconds = (float)(_fmillisecs() - start) / 1000;
  VxString* line = __vxStrConcat(__vxStrConst("runtime sprites: "), __vxStrFromFloat(frames / seconds));
  line = __vxStrConcat(line, __vxStrConst(" fps ("));
  line = __vxStrConcat(line, __vxStrFromInt(_ftrisrendered()));
  line = __vxStrConcat(line, __vxStrConst(" triangles a frame)"));
  _fdebuglog(line);
}
