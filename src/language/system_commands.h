#pragma once
// The basic module's commands about the program as a whole: its title, the
// time, waiting, the command line, the environment, starting programs and
// frame timers.

#include "runtime/registry.h"

namespace vx {

void linkSystemCommands(Registry& registry);

}  // namespace vx
