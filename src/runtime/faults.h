#pragma once
// Processor faults on the main thread while a program runs (bad memory
// access, illegal instruction, integer division by zero, stack overflow)
// become runtime errors with fixed messages.

#include <csetjmp>

namespace vx {

// Where a fault leaves to, set by the run step; null outside a run.
struct FaultLanding {
  sigjmp_buf jump;
  const char* message;
};

void installFaultTranslation();
void removeFaultTranslation();
void setFaultLanding(FaultLanding* landing);

// The message for a fault, given the signal, its code and whether the
// faulting address lies next to the stack pointer.
const char* faultMessage(int signal, int code, bool nearStackPointer);

}  // namespace vx
