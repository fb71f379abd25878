/* Programs of one multiplayer session, by VX_ROLE: a host (Hal) and two
   joiners (Joe, Jim) exchange messages, the host leaves and the first
   joiner takes over; or a host and a joiner where the host is killed.
   They take turns through marker files in VX_TEST_DIR. Every message
   received is logged as "type sender receiver data". */
#include "testlib.h"

static int names_id[16];
static VxString* names[16];
static int name_count;
static int seen[256];
static int last_from;

static int is_role(const char* role) { return __vxStrCompare(_fgetenv(str("VX_ROLE")), str(role)) == 0; }

static void remember(int id) {
  if (name_count < 16) {
    names_id[name_count] = id;
    names[name_count++] = _fnetplayername(id);
  }
}

static VxString* name_of(int id) {
  if (id == 0) return str("all");
  for (int i = 0; i < name_count; ++i)
    if (names_id[i] == id) return __vxStrLoad(&names[i]);
  return _fnetplayername(id);
}

static void log_message(void) {
  int type = _fnetmsgtype();
  last_from = _fnetmsgfrom();
  if (type == 100) remember(last_from);
  VxString* line = __vxStrConcat(__vxStrFromInt(type), str(" "));
  line = __vxStrConcat(line, type == 102 || type == 200 ? str("-") : name_of(last_from));
  line = __vxStrConcat(line, str(" "));
  line = __vxStrConcat(line, name_of(_fnetmsgto()));
  line = __vxStrConcat(line, str(" "));
  line = __vxStrConcat(line, _fnetmsgdata());
  _fdebuglog(line);
  seen[type] = 1;
}

/* Logs what arrives until a message of the type has come. */
static void wait_for(int type) {
  int start = _fmillisecs();
  while (!seen[type]) {
    if (_frecvnetmsg())
      log_message();
    else
      _fdelay(5);
    if (_fmillisecs() - start > 15000) {
      log_text("timed out");
      _fend();
    }
  }
  seen[type] = 0;
}

static void mark(const char* name) { _fclosefile(_fwritefile(str(name))); }

static void wait_mark(const char* name) {
  int start = _fmillisecs();
  while (_ffiletype(str(name)) != 1) {
    _fdelay(10);
    if (_fmillisecs() - start > 15000) {
      log_text("no mark");
      _fend();
    }
  }
}

static int find_player(const char* name) {
  for (int i = 0; i < name_count; ++i)
    if (__vxStrCompare(__vxStrLoad(&names[i]), str(name)) == 0) return names_id[i];
  return -1;
}

static void host(void) {
  log_int(_fhostnetgame(str("arena")));
  int hal = _fcreatenetplayer(str("Hal"));
  log_int(_fnetplayerlocal(hal));
  mark("hosting");
  wait_for(100);
  wait_for(100);
  log_int(_fsendnetmsg(7, str("hello all"), hal, 0, 1));
  wait_for(8);
  wait_for(10);
  log_text("leaving");
}

static void first_joiner(void) {
  wait_mark("hosting");
  log_int(_fjoinnetgame(str("arena"), str("127.0.0.1")));
  wait_for(100);
  int hal = last_from;
  log_int(_fnetplayerlocal(hal));
  int joe = _fcreatenetplayer(str("Joe"));
  mark("joe");
  wait_for(100);
  wait_for(7);
  log_int(_fsendnetmsg(256, str("type zero"), joe, hal, 1));
  log_int(_fsendnetmsg(8, str("hi host"), joe, hal, 1));
  wait_for(101);
  wait_for(102);
  log_int(_fsendnetmsg(9, str("still here"), joe, 0, 0) + _fsendnetmsg(9, str("still here"), joe, 0, 1));
  wait_for(101);
}

static void second_joiner(void) {
  wait_mark("joe");
  log_int(_fjoinnetgame(str("arena"), str("127.0.0.1")));
  /* the players already there come first */
  while (!_frecvnetmsg()) _fdelay(5);
  log_message();
  while (!_frecvnetmsg()) _fdelay(5);
  log_message();
  int jim = _fcreatenetplayer(str("Jim"));
  wait_for(7);
  log_int(_fsendnetmsg(10, str("ready"), jim, find_player("Hal"), 1));
  wait_for(101);
  wait_for(9);
  _fdelay(200);
  log_text("leaving");
}

static void doomed_host(void) {
  log_int(_fhostnetgame(str("arena")));
  _fcreatenetplayer(str("Hal"));
  mark("hosting");
  wait_for(100);
  log_text("seen"); /* the test kills this program here */
  for (;;) {
    if (_frecvnetmsg()) log_message();
    _fdelay(10);
  }
}

static void bereft_joiner(void) {
  wait_mark("hosting");
  log_int(_fjoinnetgame(str("arena"), str("127.0.0.1")));
  int joe = _fcreatenetplayer(str("Joe"));
  wait_for(100);
  wait_for(200);
  log_int(_fsendnetmsg(5, str("anyone?"), joe, 0, 1));
}

/* The target of a hostile peer: it logs what gets through until a real
   visitor says type 42. */
static void target(void) {
  log_int(_fhostnetgame(str("arena")));
  _fcreatenetplayer(str("Hal"));
  mark("hosting");
  wait_for(42);
  log_text("done");
}

static void visitor(void) {
  wait_mark("attacked");
  log_int(_fjoinnetgame(str("arena"), str("127.0.0.1")));
  wait_for(100);
  int val = _fcreatenetplayer(str("Val"));
  log_int(_fsendnetmsg(42, str("real"), val, find_player("Hal"), 1));
  _fdelay(200);
}

void __MAIN(void) {
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  if (is_role("host")) host();
  if (is_role("joe")) first_joiner();
  if (is_role("jim")) second_joiner();
  if (is_role("doomed")) doomed_host();
  if (is_role("bereft")) bereft_joiner();
  if (is_role("target")) target();
  if (is_role("visitor")) visitor();
}
