/* 3D sounds heard from a listener, run in the directory named by
   VX_TEST_DIR where the test has left its sound files. The command line
   names the part to run. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static int camera_in_3d(void) {
  _fgraphics3d(64, 48, 0, 2);
  return _fcreatecamera(0);
}

static void render_for(int milliseconds) {
  int start = _fmillisecs();
  while (_fmillisecs() - start < milliseconds) {
    _frenderworld(1);
    _fdelay(10);
  }
}

/* An entity to the left of the listener emits a sound and moves to its
   right while the sound plays. */
static void follow(void) {
  int listener = _fcreatelistener(camera_in_3d(), 1, 1, 1);
  log_int(listener != 0);
  int emitter = _fcreatepivot(0);
  _fpositionentity(emitter, -2, 0, 0, 0);
  int c = _femitsound(_fload3dsound(str("sine.wav")), emitter);
  log_int(c != 0);
  render_for(600);
  _fpositionentity(emitter, 2, 0, 0, 0);
  while (_fchannelplaying(c)) {
    _frenderworld(1);
    _fdelay(10);
  }
  _frenderworld(1);
  log_text("follow done");
}

/* Without a sound device the listener is an entity like another, and
   nothing is emitted. */
static void no_device(void) {
  int camera = camera_in_3d();
  int listener = _fcreatelistener(camera, 1, 1, 1);
  log_int(listener != 0);
  _fdebuglog(_fentityclass(listener));
  log_int(_fload3dsound(str("sine.wav")));
  log_int(_femitsound(0, camera));
  _frenderworld(1);
  _ffreeentity(camera); /* the listener goes with its parent */
  log_int(_fcreatelistener(0, 1, 1, 1) != 0);
  log_text("no device done");
}

static void twice(void) {
  int camera = camera_in_3d();
  _fcreatelistener(camera, 1, 1, 1);
  _fcreatelistener(camera, 1, 1, 1);
}

static void without_listener(void) {
  int camera = camera_in_3d();
  _femitsound(_fload3dsound(str("sine.wav")), camera);
}

void __MAIN(void) {
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  if (is("follow")) follow();
  if (is("nodevice")) no_device();
  if (is("twice")) twice();
  if (is("nolistener")) without_listener();
}
