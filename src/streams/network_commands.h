#pragma once
// The sockets module: TCP connections and servers, UDP sockets, host-name
// look-up and dotted addresses. Network failures never end a program:
// creating returns 0, transfers come up short, and the stream's state
// (Eof) tells what happened. Only unknown handles (while debugging) and a
// host index outside the list are errors.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule socketsModule;

}  // namespace vx
