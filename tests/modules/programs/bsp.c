/* A level in a 3D mode: loaded from VX_LEVEL, drawn from inside and from
   outside, its copies, lighting switches and checks. Pictures go to the
   directory VX_OUT. The scenario is the command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static VxString* level_path(void) { return _fgetenv(str("VX_LEVEL")); }
static VxString* out_path(const char* name) { return __vxStrConcat(_fgetenv(str("VX_OUT")), str(name)); }

/* A camera at a player's start, looking along the level's +x, which is the
   engine's +z: file (896, 960, 256) is (-960, 256, 896). */
static int camera_at_start(void) {
  int camera = _fcreatecamera(0);
  _fpositionentity(camera, -960, 256, 896, 0);
  _fcamerarange(camera, 1, 4000);
  return camera;
}

static void render(void) {
  _fgraphics3d(320, 240, 32, 2);
  int level = _floadbsp(level_path(), 0, 0);
  log_int(level != 0);
  _fdebuglog(_fentityclass(level));
  int camera = camera_at_start();
  _frenderworld(1);
  log_int(_ftrisrendered());
  _fsavebuffer(_fbackbuffer(), out_path("/lit.bmp"));
  _fbsplighting(level, 0);
  _frenderworld(1);
  _fsavebuffer(_fbackbuffer(), out_path("/unlit.bmp"));
  _fbspambientlight(level, 255, 255, 255);
  _frenderworld(1);
  _fsavebuffer(_fbackbuffer(), out_path("/ambient.bmp"));
  /* From outside nothing is hidden by visibility, and all is in view. */
  _fcamerarange(camera, 1, 10000);
  _fpositionentity(camera, -1408, 540, -3000, 0);
  _frenderworld(1);
  log_int(_ftrisrendered());
}

/* A copy draws the same level; freeing the original leaves it whole. */
static void copies(void) {
  _fgraphics3d(64, 48, 32, 2);
  int level = _floadbsp(level_path(), 0, 0);
  int copy = _fcopyentity(level, 0);
  _fdebuglog(_fentityclass(copy));
  camera_at_start();
  _fhideentity(copy);
  _frenderworld(1);
  int alone = _ftrisrendered();
  _fshowentity(copy);
  _frenderworld(1);
  log_int(_ftrisrendered() == 2 * alone);
  _ffreeentity(level);
  _frenderworld(1);
  log_int(_ftrisrendered() == alone);
}

/* A sphere dropped at the spawn lands on the floor, at file height 192,
   and slides along it; the level raised by 30 raises what it stands on. A
   line straight down picks the floor. Heights are logged whole. */
static void collide(void) {
  _fgraphics3d(64, 48, 32, 2);
  int level = _floadbsp(level_path(), 0, 0);
  _fentitytype(level, 2, 0);
  _fentitypickmode(level, 2, 1);
  int ball = _fcreatepivot(0);
  _fentityradius(ball, 10, 0);
  _fentitytype(ball, 1, 0);
  _fcollisions(1, 2, 2, 2);
  _fpositionentity(ball, -960, 256, 896, 0);
  _fresetentity(ball);
  _ftranslateentity(ball, 0, -200, 0, 0);
  _fupdateworld(1);
  log_int((int)(_fentityy(ball, 1) + 0.5f));
  log_int(_fcountcollisions(ball) > 0 && _fcollisionentity(ball, 1) == level);
  log_int((int)(_fcollisionny(ball, 1) + 0.5f));
  _fpositionentity(level, 0, 30, 0, 0);
  _fpositionentity(ball, -960, 300, 896, 0);
  _fresetentity(ball);
  _ftranslateentity(ball, 0, -200, 0, 0);
  _fupdateworld(1);
  log_int((int)(_fentityy(ball, 1) + 0.5f));
  log_int(_flinepick(-960, 300, 896, 0, -500, 0, 0) == level);
  log_int((int)(_fpickedy() + 0.5f));
  log_int((int)(_fpickedny() + 0.5f));
}

/* Each file named on VX_LEVEL's list loads or gives 0, and is drawn. */
static void damaged(void) {
  _fgraphics3d(64, 48, 32, 2);
  camera_at_start();
  const char* names[] = {"/truncated.bsp", "/header.bsp", "/lumps.bsp", "/indices.bsp", "/missing.bsp"};
  for (int i = 0; i < 5; ++i) {
    int level = _floadbsp(__vxStrConcat(_fgetenv(str("VX_OUT")), str(names[i])), 0.5f, 0);
    log_int(level != 0);
    _frenderworld(1);
    if (level) _ffreeentity(level);
  }
  log_text("survived");
}

void __MAIN(void) {
  if (is("render")) render();
  if (is("copies")) copies();
  if (is("damaged")) damaged();
  if (is("collide")) collide();
  if (is("nomode")) _floadbsp(level_path(), 0, 0);
  if (is("noparent")) {
    _fgraphics3d(64, 48, 32, 2);
    _floadbsp(level_path(), 0, 12345);
  }
  if (is("notmodel")) {
    _fgraphics3d(64, 48, 32, 2);
    _fbsplighting(_fcreatepivot(0), 0);
  }
  if (is("notbsp")) {
    _fgraphics3d(64, 48, 32, 2);
    _fbspambientlight(_fcreatecube(0), 1, 2, 3);
  }
}
