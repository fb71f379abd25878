#pragma once
// The input module: keyboard, mouse and joystick commands.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule inputModule;

}  // namespace vx
