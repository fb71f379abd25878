#pragma once
// The basic module: program control, debugging hooks and the language
// runtime's internal symbols. Its state (the string pool and the run's
// allocations) is reset when a run starts and freed when it ends.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule basicModule;

}  // namespace vx
