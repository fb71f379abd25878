/* TCP connections between two programs, and against a test peer. The
   role comes from VX_ROLE, ports from VX_PORT and VX_CLOSED_PORT. */
#include "testlib.h"

static int env_int(const char* name) { return __vxStrToInt(_fgetenv(str(name))); }
static void show(const char* label, VxString* s) { _fdebuglog(__vxStrConcat(str(label), s)); }

static int is_role(const char* role) {
  return __vxStrCompare(_fgetenv(str("VX_ROLE")), str(role)) == 0;
}

static void server(int port) {
  int s = _fcreatetcpserver(port);
  log_int(s != 0);
  log_int(_fcreatetcpserver(port)); /* the port is taken */
  log_int(_faccepttcpstream(s));    /* nobody yet, and no waiting */
  log_text("listening");
  _ftcptimeouts(5000, 10000);
  int c = _faccepttcpstream(s);
  log_int(c != 0);
  log_int(_ftcpstreamip(c));
  _fdebuglog(_fdottedip(_ftcpstreamip(c)));
  int value = _freadint(c);
  log_int(value);
  _fdebuglog(_fdottedip(value));
  _fdebuglog(_fdottedip(-1));
  log_int(_freadshort(c));
  log_float(_freadfloat(c));
  show("s:", _freadstring(c));
  show("l:", _freadline(c));
  _fwriteline(c, str("pong"));
  _fwriteint(c, -2);
  show("l:", _freadline(c));
  /* the client has closed: the end shows once everything was read */
  int waited = 0;
  while (_feof(c) == 0 && waited < 5000) {
    _fdelay(10);
    waited += 10;
  }
  log_int(_feof(c));
  log_int(_freadbyte(c));
  log_int(_feof(c));
  _fclosetcpserver(s);
  log_text("closed");
  log_int(_ftcpstreamip(c)); /* closed with its server */
}

static void client(int port) {
  log_int(_fopentcpstream(str("127.0.0.1"), env_int("VX_CLOSED_PORT"), 0));
  int c = _fopentcpstream(str("localhost"), port, 0);
  log_int(c != 0);
  log_int(_ftcpstreamport(c) == port);
  log_int(_ftcpstreamip(c));
  _fwriteint(c, 0x01020304);
  _fwriteshort(c, -2);
  _fwritefloat(c, 2.5f);
  _fwritestring(c, str("hello"));
  _fwriteline(c, str("a line"));
  show("l:", _freadline(c));
  log_int(_freadint(c));
  _fwriteline(c, str("bye"));
  _fclosetcpstream(c);
  log_text("done");
}

/* Against the test peer: it sends two bytes and nothing more, then takes a
   second connection and resets it. */
static void against_peer(int port) {
  _ftcptimeouts(500, 0);
  int c = _fopentcpstream(str("127.0.0.1"), port, 0);
  log_int(c != 0);
  int start = _fmillisecs();
  log_int(_freadint(c));
  int took = _fmillisecs() - start;
  log_int(took >= 450 && took < 3000);
  log_int(_feof(c));
  log_int(_freadint(c));
  log_int(_freadavail(c));
  _fclosetcpstream(c);

  c = _fopentcpstream(str("127.0.0.1"), port, 0);
  log_int(c != 0);
  _fdelay(300);
  for (int i = 0; i < 3; ++i) _fwriteline(c, str("into a reset connection"));
  log_int(_feof(c));
  log_text("alive");
}

/* Takes connections from a hostile peer until one sends the string
   "final"; each broken one is read as far as it goes and closed. */
static void survivor(int port) {
  int s = _fcreatetcpserver(port);
  _ftcptimeouts(300, 10000);
  int served = 0;
  for (int i = 0; i < 100; ++i) {
    int c = _faccepttcpstream(s);
    if (!c) continue;
    ++served;
    VxString* text = _freadstring(c);
    if (__vxStrCompare(__vxStrLoad(&text), str("final")) == 0) {
      _fwriteline(c, str("served final"));
      __vxStrRelease(text);
      _fclosetcpstream(c);
      break;
    }
    __vxStrRelease(text);
    __vxStrRelease(_freadline(c));
    _freadint(c);
    _fwritestring(c, str("answer"));
    _fclosetcpstream(c);
  }
  _fclosetcpserver(s);
  log_int(served);
}

void __MAIN(void) {
  int port = env_int("VX_PORT");
  if (is_role("server")) server(port);
  if (is_role("client")) client(port);
  if (is_role("peer")) against_peer(port);
  if (is_role("survivor")) survivor(port);
}
