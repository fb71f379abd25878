/* One bad call of the network commands, chosen by VX_CASE; the result of
   a call that is quietly refused is logged. */
#include "testlib.h"

void __MAIN(void) {
  int which = __vxStrToInt(_fgetenv(str("VX_CASE")));
  int result = -1;
  switch (which) {
    case 1: result = _fhostip(0); break;
    case 2: result = _ftcpstreamip(12345); break;
    case 3: _fclosetcpserver(12345); break;
    case 4: result = _fudpmsgip(12345); break;
    case 5: result = _fcreatenetplayer(str("x")); break;
    case 6: result = _fsendnetmsg(1, str("x"), 1, 0, 1); break;
    case 7: result = _frecvnetmsg(); break;
    case 8: _fdeletenetplayer(1); break;
    case 9:
      result = _fhostnetgame(str("twice"));
      log_int(result);
      result = _fjoinnetgame(str("twice"), str("127.0.0.1"));
      break;
    case 10: result = _fhostip(2); break;
  }
  log_int(result);
}
