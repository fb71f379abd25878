/* Small helpers for test programs: everything they print goes through
   DebugLog, which the console debugger (VX_DEBUG=1) writes to stdout. */
#ifndef TESTLIB_H
#define TESTLIB_H

#include <vexel.h>

static inline void log_text(const char* text) { _fdebuglog(__vxStrConst(text)); }
static inline void log_int(int value) { _fdebuglog(__vxStrFromInt(value)); }
static inline void log_float(float value) { _fdebuglog(__vxStrFromFloat(value)); }
static inline VxString* str(const char* text) { return __vxStrConst(text); }

#endif
