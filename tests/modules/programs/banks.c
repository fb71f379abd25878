/* Banks at their edges, banks and streams, and CallDLL into the library
   named by VX_CALL_LIB. */
#include "testlib.h"

static void edges(void) {
  int b = _fcreatebank(10);
  log_int(_fbanksize(b));
  int sum = 0;
  for (int i = 0; i < 10; ++i) sum += _fpeekbyte(b, i);
  log_int(sum);
  _fpokeint(b, 6, -2);
  log_int(_fpeekint(b, 6));
  log_int(_fpeekshort(b, 6));
  log_int(_fpeekbyte(b, 9));
  _fpokefloat(b, 0, 2.25f);
  log_float(_fpeekfloat(b, 0));
  _fpokeshort(b, 4, 0x12345);
  log_int(_fpeekshort(b, 4));
  _fresizebank(b, 12);
  log_int(_fpeekshort(b, 10));
  _fresizebank(b, 4);
  _fresizebank(b, 10);
  log_int(_fpeekint(b, 6));
  log_float(_fpeekfloat(b, 0));
  _ffreebank(b);
  _ffreebank(b);
  _ffreebank(12345);
}

static void overlapping_copy(void) {
  int b = _fcreatebank(8);
  for (int i = 0; i < 8; ++i) _fpokebyte(b, i, i + 1);
  _fcopybank(b, 0, b, 2, 6);
  for (int i = 0; i < 8; ++i) log_int(_fpeekbyte(b, i));
  _fcopybank(b, 2, b, 0, 6);
  for (int i = 0; i < 8; ++i) log_int(_fpeekbyte(b, i));
  _ffreebank(b);
}

static void with_streams(void) {
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  int b = _fcreatebank(16);
  for (int i = 0; i < 16; ++i) _fpokebyte(b, i, 65 + i);
  int f = _fwritefile(str("bank.bin"));
  log_int(_fwritebytes(b, f, 4, 8));
  _fclosefile(f);
  int c = _fcreatebank(16);
  f = _freadfile(str("bank.bin"));
  log_int(_freadbytes(c, f, 2, 12));
  _fclosefile(f);
  log_int(_fpeekbyte(c, 2));
  log_int(_fpeekbyte(c, 9));
  log_int(_fpeekbyte(c, 10));
}

static void library_calls(void) {
  VxString* lib = _fgetenv(str("VX_CALL_LIB"));
  int in = _fcreatebank(4);
  int out = _fcreatebank(8);
  for (int i = 0; i < 4; ++i) _fpokebyte(in, i, 10 * (i + 1));
  log_int(_fcalldll(__vxStrLoad(&lib), str("sum_into"), in, out));
  log_int(_fpeekint(out, 0));
  log_int(_fpeekint(out, 4));
  log_int(_fcalldll(__vxStrLoad(&lib), str("sizes_cdecl"), in, out));
  log_int(_fcalldll(__vxStrLoad(&lib), str("sizes_cdecl"), 0, 0));
  log_int(_fcalldll(__vxStrLoad(&lib), str("sizes_cdecl"), 0, out));
  log_int(_fcalldll(__vxStrLoad(&lib), str("no_such_function"), in, out));
  log_int(_fcalldll(str("no_such_library.dll"), str("sum_into"), in, out));
  /* Many calls in a row: a stack left unbalanced would not survive them. */
  int total = 0;
  for (int i = 0; i < 100000; ++i) total += _fcalldll(__vxStrLoad(&lib), str("sum_into"), in, out) == 100;
  log_int(total);
  __vxStrRelease(lib);
}

void __MAIN(void) {
  edges();
  overlapping_copy();
  with_streams();
  library_calls();
  log_text("done");
}
