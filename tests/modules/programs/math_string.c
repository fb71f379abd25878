/* Math and string commands called as compiled code calls them, with the
   unit at single precision. */
#include "testlib.h"

void __MAIN(void) {
  log_int(_frndseed());
  for (int i = 0; i < 3; ++i) log_int(_frand(0, 65535));
  log_int(_frndseed());
  log_float(_fsin(30.0f));
  log_float(_fatan2(1.0f, -1.0f));
  log_float(__vxFPow(10000.0f, 2.5f));
  log_int(__vxMod(-7, 3));
  log_int(__vxMod(-2147483647 - 1, -1));
  _fdebuglog(_fmid(_fupper(_freplace(str("a-b-c"), str("-"), str("--"))), 2, 4));
  VxString* zero_inside = __vxStrConcat(_fchr(0), _frset(str("z"), 2));
  log_int(_finstr(__vxStrLoad(&zero_inside), str("z"), 1));
  log_int(_flen(__vxStrLoad(&zero_inside)));
  log_int(_fasc(zero_inside));
  log_int(_flen(_fcurrentdate()) * 100 + _flen(_fcurrenttime()));
  _fruntimestats();
}
