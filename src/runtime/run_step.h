#pragma once
// Running a linked program: platform, runtime modules, the call of the
// module's entry, and every way out of it (return, End, an error, a fault, a
// closed window), after which the modules are destroyed in reverse order.

#include <span>

#include "runtime/runtime.h"
#include "runtime/runtime_modules.h"

namespace vx {

class Debugger;

// True while the program runs with a Debugger given to execute.
bool debugging();

// The process exit status the last run asks for: 0 after a normal end (the
// entry returning, End, a closed window), 1 after an error or fault message
// or a program that could not start, 128 + n after stop signal n.
int runExitStatus();

// The whole of Runtime::execute: fault translation and floating-point state
// around a platform runtime and the run.
void executeProgram(ModuleEntry entry, const char* argumentText, Debugger* debugger,
                    std::span<const RuntimeModule> modules);

// Creates the modules, calls the entry and destroys the modules. Returns the
// message the program ended with (null for a normal end or End).
const char* runProgram(ModuleEntry entry, std::span<const RuntimeModule> modules);

}  // namespace vx
