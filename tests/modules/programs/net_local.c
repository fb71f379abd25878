/* A session with this program alone: players, names, sends that go
   nowhere, and starting again after stopping. */
#include "testlib.h"

void __MAIN(void) {
  log_int(_fhostnetgame(str("solo")));
  _fdebuglog(_fnetplayername(0));
  _fdebuglog(_fnetplayername(999));
  log_int(_frecvnetmsg());
  log_int(_fnetmsgfrom());
  log_int(_fnetmsgtype());
  int p = _fcreatenetplayer(str("Solo"));
  int q = _fcreatenetplayer(str("Duo"));
  log_int(p != 0 && q != 0 && p != q);
  log_int(_fnetplayerlocal(p));
  log_int(_fnetplayerlocal(999));
  _fdebuglog(_fnetplayername(q));
  log_int(_fsendnetmsg(5, str("to all"), p, 0, 1));
  log_int(_fsendnetmsg(5, str("to a local player"), p, q, 1));
  log_int(_fsendnetmsg(5, str("from nobody"), 12345, 0, 1));
  log_int(_fsendnetmsg(5, str("to nobody"), p, 12345, 1));
  log_int(_frecvnetmsg());
  _fdeletenetplayer(q);
  _fdebuglog(_fnetplayername(q));
  log_int(_fsendnetmsg(5, str("from a deleted player"), q, 0, 1));
  _fstopnetgame();
  _fdebuglog(_fnetplayername(p));
  /* nobody hosts it any more */
  log_int(_fjoinnetgame(str("solo"), str("127.0.0.1")));
  log_int(_fhostnetgame(str("again")));
}
