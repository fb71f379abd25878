/* Animation advanced by UpdateWorld: a pivot's sequence played in each
   mode, a transition, a copy playing on its own, and a loaded model's
   sequence in VX_TEST_DIR. */
#include "testlib.h"

static void log_tenths(float value) { log_int((int)(value * 10.0f + (value < 0 ? -0.5f : 0.5f))); }

static void update(int times) {
  for (int i = 0; i < times; ++i) _fupdateworld(1);
}

void __MAIN(void) {
  _fgraphics3d(64, 48, 0, 2);
  int e = _fcreatepivot(0);
  _fsetanimkey(e, 0, 1, 1, 1);
  _fpositionentity(e, 10, 0, 0, 0);
  _fsetanimkey(e, 10, 1, 1, 1);
  _faddanimseq(e, 10);

  _fanimate(e, 1, 1, 0, 0);
  update(13);
  log_tenths(_fanimtime(e)); /* 3 */
  log_tenths(_fentityx(e, 0));
  _fanimate(e, 2, 2.5f, 0, 0);
  update(5);
  log_tenths(_fanimtime(e)); /* 12.5 turns to 7.5 */
  _fanimate(e, 3, -1, 0, 0);
  update(12);
  log_int(_fanimating(e));
  log_tenths(_fanimtime(e));

  _fpositionentity(e, 0, 10, 0, 0);
  _fanimate(e, 1, 1, 0, 4);
  update(2);
  log_tenths(_fentityy(e, 0)); /* half way down */
  log_int(_fanimating(e));

  int copy = _fcopyentity(e, 0);
  _fanimate(copy, 1, 1, 0, 0);
  update(6);
  log_tenths(_fanimtime(copy));
  log_tenths(_fanimtime(e));

  int model = _floadanimmesh(__vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/walk.v3d")), 0);
  int bone = _ffindchild(model, str("bone"));
  _fanimate(model, 1, 1, 0, 0);
  update(3);
  log_tenths(_fentityy(bone, 0));
}
