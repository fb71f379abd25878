/* Leaves a file open, then waits in the way its command line names until a
   signal stops it: spin (in its own code), calls (a loop of commands),
   delay, timer, key, stop (suspended), exec (with a program it started
   still running), prompt (a close prompt set), box (an error message). */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

void __MAIN(void) {
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  int f = _fwritefile(str("left.txt"));
  for (int i = 0; i < 1000; ++i) _fwriteline(f, __vxStrFromInt(i));
  if (is("exec")) _fexecfile(str("sleep 30"));
  if (is("prompt")) _fapptitle(str("Stop test"), str("Really quit?"));
  log_text("waiting");
  if (is("spin")) {
    volatile int n = 0;
    for (;;) ++n;
  }
  if (is("calls"))
    for (;;) _fmillisecs();
  if (is("delay") || is("exec") || is("prompt")) _fdelay(60000);
  if (is("timer")) {
    int timer = _fcreatetimer(1);
    for (;;) _fwaittimer(timer);
  }
  if (is("key")) _fwaitkey();
  if (is("stop")) _fstop();
  if (is("box")) _fruntimeerror(str("waiting in a box"));
  log_text("not stopped");
}
