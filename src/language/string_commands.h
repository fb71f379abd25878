#pragma once
// The string module: substrings, search and replace, padding, case,
// character codes, hexadecimal and binary text, date and time. Strings are
// byte strings (a zero byte is an ordinary character); positions count from
// 1; every command releases the strings it is given.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule stringModule;

}  // namespace vx
