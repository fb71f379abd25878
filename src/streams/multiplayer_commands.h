#pragma once
// The multiplay module: hosting and joining a session by name, local
// players, and short typed messages between players. What happens in the
// session (players arriving or leaving, becoming the host, losing the
// session) comes to the program through RecvNetMsg as the reserved message
// types 100, 101, 102 and 200.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule multiplayModule;

}  // namespace vx
