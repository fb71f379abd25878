/* Keyboard, mouse and joystick, driven by recorded input. */
#include "testlib.h"

static int start;

/* Waits until ms milliseconds after the program started. */
static void at(int ms) {
  int left = ms - (_fmillisecs() - start);
  if (left > 0) _fdelay(left);
}

void __MAIN(void) {
  start = _fmillisecs();
  log_int(_fwaitkey());            /* a */
  log_int(_fwaitkey());            /* shift + a; shift alone has no character */
  at(600);
  log_int(_fkeyhit(VX_KEY_SPACE));  /* 33 presses of space */
  int queued = 0;
  while (_fgetkey() == 32) ++queued;
  log_int(queued);                 /* the queue holds 32 */
  at(1100);
  log_int(_fgetkey());             /* cursor up */
  log_int(_fgetkey());             /* F1: no character, consumed */
  log_int(_fgetkey());
  log_int(_fwaitmouse());
  at(1600);
  log_int(_fmousehit(1));
  log_int(_fmousez());
  log_int(_fmousezspeed());
  log_int(_fmousezspeed());
  at(2100);
  log_int(_fjoytype(0));
  log_int(_fjoytype(1));
  log_int(_fjoyxdir(0));
  log_int(_fjoyydir(0));
  log_int(_fjoyhat(0));
  log_int(_fjoydown(3, 0));
  log_int(_fjoyhit(3, 0));
  log_float(_fjoyx(1));
  at(2600);
  log_int(_fjoyhat(0));
  log_int(_fwaitkey());            /* the window is closed meanwhile */
  log_text("unreachable");
}
