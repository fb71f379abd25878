/* The start dialog driven by recorded keys (VX_INPUT_PLAYBACK), by
   VX_ROLE: "dialog" calls StartNetGame and logs its result, then, with a
   game, creates the player Joe and logs the first player it hears of;
   "host" hosts Dungeon with the player Hal and logs the first player that
   joins; "joiner" joins den at 127.0.0.1 as Jim once it is there. */
#include "testlib.h"

static int is_role(const char* role) { return __vxStrCompare(_fgetenv(str("VX_ROLE")), str(role)) == 0; }

/* Logs the name of the first player heard of within 20 seconds. */
static void log_first_player(void) {
  int start = _fmillisecs();
  while (_fmillisecs() - start < 20000) {
    if (_frecvnetmsg() && _fnetmsgtype() == 100) {
      _fdebuglog(_fnetplayername(_fnetmsgfrom()));
      return;
    }
    _fdelay(10);
  }
  log_text("nobody came");
}

void __MAIN(void) {
  if (is_role("host")) {
    log_int(_fhostnetgame(str("Dungeon")));
    _fcreatenetplayer(str("Hal"));
    log_first_player();
    _fdelay(300);
  } else if (is_role("joiner")) {
    int start = _fmillisecs();
    while (!_fjoinnetgame(str("den"), str("127.0.0.1")) && _fmillisecs() - start < 20000) _fdelay(50);
    _fcreatenetplayer(str("Jim"));
    _fdelay(1000);
  } else {
    int result = _fstartnetgame();
    log_int(result);
    if (result == 0) return;
    _fcreatenetplayer(str("Joe"));
    log_first_player();
    _fdelay(300);
  }
}
