/* Entities in a 3D mode: hierarchy, transforms, copies, and what happens to
   them when the mode changes. The scenario is the command line. */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

/* Without the debugger the log goes to the file VX_TEST_DIR/log.txt. */
static int log_file;

static void log_line(VxString* text) {
  if (log_file)
    _fwriteline(log_file, text);
  else
    _fdebuglog(text);
}

/* Hundredths, rounded, so that the log does not depend on float text. */
static void log_hundredths(float value) { log_line(__vxStrFromInt((int)(value * 100.0f + (value < 0 ? -0.5f : 0.5f)))); }

static void log_position(int entity, int global) {
  log_hundredths(_fentityx(entity, global));
  log_hundredths(_fentityy(entity, global));
  log_hundredths(_fentityz(entity, global));
}

static void scene(void) {
  _fgraphics3d(64, 48, 0, 2);
  int root = _fcreatepivot(0);
  _fnameentity(root, str("root"));
  _fpositionentity(root, 10, 0, 0, 0);
  _frotateentity(root, 0, 90, 0, 0);
  int arm = _fcreatepivot(root);
  _fnameentity(arm, str("arm"));
  _fpositionentity(arm, 0, 0, 2, 0);
  int hand = _fcreatepivot(arm);
  _fnameentity(hand, str("hand"));
  _fmoveentity(hand, 0, 0, 1);
  log_position(hand, 1); /* 7, 0, 0 */
  log_hundredths(_fentityyaw(hand, 1));
  _fdebuglog(_fentityclass(hand));
  log_int(_ffindchild(root, str("hand")) == hand);
  log_int(_fcountchildren(root));

  _ftformpoint(0, 0, 0, hand, root);
  log_hundredths(_ftformedz()); /* 3 */

  int copy = _fcopyentity(root, 0);
  log_int(_fcountchildren(copy));
  _fdebuglog(_fentityname(_fgetchild(_fgetchild(copy, 1), 1)));
  _ftranslateentity(copy, 0, 5, 0, 1);
  log_position(_ffindchild(copy, str("hand")), 1); /* 7, 5, 0 */

  _fentityparent(hand, 0, 1); /* keeps its place in the world */
  log_position(hand, 0);
  _ffreeentity(root);
  log_int(_fcountchildren(copy));
  _fclearworld(1, 1, 1);
  _fendgraphics();
  log_text("cleared");
  _fcountchildren(copy); /* no longer exists */
}

static void mode_change(void) {
  _fgraphics3d(64, 48, 0, 2);
  int pivot = _fcreatepivot(0);
  _fgraphics3d(64, 48, 0, 2);
  log_text("reopened");
  _fentityx(pivot, 0);
}

static void no_3d(void) {
  _fgraphics(64, 48, 0, 2);
  _fcreatepivot(0);
}

/* Without the debugger nothing is reported and nothing breaks. */
static void unchecked(void) {
  log_file = _fwritefile(__vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/log.txt")));
  _fgraphics(64, 48, 0, 2);
  log_line(__vxStrFromInt(_fcreatepivot(0)));
  _fgraphics3d(64, 48, 0, 2);
  int parent = _fcreatepivot(0);
  int child = _fcreatepivot(parent);
  _fentityparent(parent, child, 1); /* a cycle: refused */
  log_line(__vxStrFromInt(_fgetparent(parent)));
  log_hundredths(_fentityx(12345, 0));
  _ffreeentity(12345);
  log_line(__vxStrFromInt(_fcountchildren(parent)));
  _fpositionentity(child, 1, 2, 3, 1);
  log_position(child, 0);
  _fclosefile(log_file);
}

void __MAIN(void) {
  if (is("scene")) scene();
  if (is("modechange")) mode_change();
  if (is("no3d")) no_3d();
  if (is("unchecked")) unchecked();
}
