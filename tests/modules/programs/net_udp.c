/* UDP messages between two sockets of one program, messages to a socket's
   own port, and the address commands. */
#include "testlib.h"

#define LOOPBACK 2130706433

void __MAIN(void) {
  int a = _fcreateudpstream(0);
  int b = _fcreateudpstream(0);
  int port_a = _fudpstreamport(a);
  int port_b = _fudpstreamport(b);
  log_int(a != 0 && b != 0);
  log_int(port_a > 0 && port_b > 0 && port_a != port_b);
  log_int(_fudpstreamip(a));
  log_int(_fcreateudpstream(port_a)); /* taken */
  log_int(_fudpmsgport(a) == port_a); /* nothing received: its own */
  log_int(_feof(b));

  /* nothing waiting, no waiting time */
  int start = _fmillisecs();
  log_int(_frecvudpmsg(b));
  log_int(_fmillisecs() - start < 100);

  /* writes collect into one message */
  _fwriteint(a, -2);
  _fwritestring(a, str("hi"));
  _fwritebyte(a, 7);
  _fsendudpmsg(a, LOOPBACK, port_b);
  _fudptimeouts(2000);
  log_int(_frecvudpmsg(b));
  log_int(_fudpmsgip(b));
  log_int(_fudpmsgport(b) == port_a);
  log_int(_freadavail(b));
  log_int(_feof(b));
  log_int(_freadint(b));
  _fdebuglog(_freadstring(b));
  log_int(_freadbyte(b));
  log_int(_feof(b));
  log_int(_freadbyte(b));

  /* a send with nothing written is an empty message */
  _fsendudpmsg(a, LOOPBACK, port_b);
  log_int(_frecvudpmsg(b) == LOOPBACK);
  log_int(_freadavail(b));
  log_int(_feof(b));

  /* port 0: the sender's own port on the destination */
  _fwriteline(a, str("to myself"));
  _fsendudpmsg(a, LOOPBACK, 0);
  log_int(_frecvudpmsg(a) == LOOPBACK);
  log_int(_fudpmsgport(a) == port_a);
  _fdebuglog(_freadline(a));

  /* a new message replaces what was left unread of the last */
  _fwriteint(a, 1);
  _fwriteint(a, 2);
  _fsendudpmsg(a, LOOPBACK, port_b);
  _fwriteint(a, 3);
  _fsendudpmsg(a, LOOPBACK, port_b);
  _frecvudpmsg(b);
  log_int(_freadint(b));
  _frecvudpmsg(b);
  log_int(_freadint(b));
  log_int(_freadavail(b));

  /* host look-up */
  int n = _fcounthostips(str("localhost"));
  log_int(n >= 1);
  log_int(_fhostip(1));
  log_int(_fcounthostips(str("10.1.2.3")));
  log_int(_fhostip(1));

  _fcloseudpstream(a);
  log_text("closed");
  log_int(_fudpstreamport(a));
}
