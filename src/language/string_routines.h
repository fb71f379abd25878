#pragma once
// The internal string routines that compiled code calls for every string
// expression: load, store, release, compare, concatenate, convert.

#include "runtime/registry.h"

namespace vx {

void linkStringRoutines(Registry& registry);

}  // namespace vx
