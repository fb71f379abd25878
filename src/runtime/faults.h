#pragma once
// Processor faults on the main thread while a program runs (bad memory
// access, illegal instruction, integer division by zero, stack overflow)
// become runtime errors with fixed messages; every way out of a running
// program returns to one landing.

#include <csetjmp>
#include <csignal>

namespace vx {

// Where a running program leaves to. It lives in static storage, out of the
// reach of a program that damages its own stack. It is armed while the
// program runs; the first way out disarms it, so that a fault during the
// clean-up after it ends the process with its message instead of jumping
// back again.
struct ProgramLanding {
  sigjmp_buf jump;
  const char* message;  // null for a silent end
  bool reported;        // the message has gone to the debugger already
  volatile sig_atomic_t armed;
};

ProgramLanding& programLanding();

// Disarms the landing and jumps to it; also from a signal handler. Only
// while it is armed.
[[noreturn]] void leaveToLanding(const char* message, bool reported);

void installFaultTranslation();
void removeFaultTranslation();

// The message for a fault, given the signal, its code and whether the
// faulting address lies next to the stack pointer.
const char* faultMessage(int signal, int code, bool nearStackPointer);

}  // namespace vx
