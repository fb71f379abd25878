#pragma once
// The bank module: creating, resizing and freeing banks, peeking and poking
// values in them, copying between them, moving bytes between banks and
// streams, and calling library functions with banks as their input and
// output. No command reads or writes outside a bank: a bad handle or range
// is reported while debugging and quietly refused otherwise.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule bankModule;

}  // namespace vx
