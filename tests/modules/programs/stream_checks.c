/* One bad argument, chosen by VX_CASE. A command that quietly refuses it
   lets the program go on to write the result, and what the bank holds, to
   result.txt. */
#include "testlib.h"

void __MAIN(void) {
  int which = __vxStrToInt(_fgetenv(str("VX_CASE")));
  int bank = _fcreatebank(8);
  int freed = _fcreatebank(8);
  _ffreebank(freed);
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  int file = _fwritefile(str("checks.bin"));
  int closed = _fwritefile(str("closed.bin"));
  _fclosefile(closed);
  int dir = _freaddir(str("."));
  int result = -1;
  switch (which) {
    case 1: result = _freadint(closed); break;
    case 2: _fwriteint(12345, 1); break;
    case 3: _fcopystream(file, file, 0); break;
    case 4: _fcopystream(file, file, 1048577); break;
    case 5: _fclosefile(bank); break;
    case 6: result = __vxStrToInt(_fnextfile(bank)); break;
    case 7: result = _fpeekint(freed, 0); break;
    case 8: result = _fpeekint(bank, 5); break;
    case 9: _fpokeint(bank, -1, 7); break;
    case 10: _fcopybank(bank, 4, 12345, 0, 5); break; /* the source range comes first */
    case 11: _fcopybank(bank, 0, bank, 4, -1); break;
    case 12: result = _freadbytes(bank, file, 0, 9); break;
    case 13: result = _fwritebytes(bank, closed, 0, 8); break;
    case 14: result = _fcalldll(str("x.dll"), str("f"), freed, 0); break;
    case 15: result = _fbanksize(freed); break;
    case 16: result = _ffilepos(closed); break;
    case 17: result = _feof(dir); break;
    case 18: _fresizebank(freed, 100); break;
  }
  _fclosedir(dir);
  _fclosedir(bank);
  int out = _fwritefile(str("result.txt"));
  _fwriteline(out, __vxStrFromInt(result));
  _fwriteline(out, __vxStrFromInt(_fpeekint(bank, 0) | _fpeekint(bank, 4)));
  _fclosefile(out);
}
