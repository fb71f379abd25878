/* The program and its surroundings: arguments, properties, environment,
   time, timers and starting other programs. */
#include "testlib.h"

static void log_property(const char* name) { _fdebuglog(_fsystemproperty(str(name))); }

void __MAIN(void) {
  _fdebuglog(__vxStrConcat(str("args:"), _fcommandline()));
  log_property("cpu");
  log_property("OS");
  log_property("appdir");
  _fdebuglog(_fgetenv(str("VX_TEST_UNSET")));
  _fsetenv(str("VX_TEST_VAR"), str("some value"));
  _fdebuglog(_fgetenv(str("VX_TEST_VAR")));
  _fsetenv(str("VX_TEST_VAR"), str(""));
  _fdebuglog(__vxStrConcat(str("gone:"), _fgetenv(str("VX_TEST_VAR"))));

  int start = _fmillisecs();
  _fdelay(120);
  log_int(_fmillisecs() - start >= 120);

  int timer = _fcreatetimer(60);
  log_int(_fwaittimer(timer) >= 1);
  _fdelay(100);
  int missed = _fwaittimer(timer);
  log_int(missed >= 5 && missed <= 30);
  _ffreetimer(timer);
  _ffreetimer(0);
  log_int(_fwaittimer(timer));
  log_int(_fcreatetimer(0));

  _fexecfile(__vxStrConcat(__vxStrConcat(str("touch \""), _fgetenv(str("VX_MARKER"))), str("\"")));
  _fexecfile(_fgetenv(str("VX_SCRIPT_COMMAND")));
  log_int(1);
}
