#pragma once
// The math module: trigonometry in degrees, logarithms and the random number
// generator; and the arithmetic routines compiled code calls for Abs, Sgn,
// Mod and ^ (registered by the basic module's link step).

#include "runtime/registry.h"
#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule mathModule;

// Registers _vxAbs, _vxSgn, _vxMod, _vxFAbs, _vxFSgn, _vxFMod and _vxFPow.
void linkMathRoutines(Registry& r);

}  // namespace vx
