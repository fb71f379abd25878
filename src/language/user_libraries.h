#pragma once
// Functions of outside libraries that programs declare and call like
// commands. The module's import table names each library and, for each
// function, the slot that receives its address; a function that cannot be
// found gets a routine that ends the program when it is first called.
//
// Library functions are called with the standard call convention (the
// callee removes the arguments): a library written for this runtime declares
// them __attribute__((stdcall)).

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule userLibraryModule;

}  // namespace vx
