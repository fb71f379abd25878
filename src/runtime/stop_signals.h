#pragma once
// Stopping a run from outside. SIGINT, SIGTERM and SIGHUP end a running
// program as End does: every runtime module is destroyed, so open files are
// written out and closed, and the process exits with 128 + the signal's
// number. A program spinning in its own code is left at once; one inside a
// command is left when the command returns or when its wait notices the stop
// (every wait goes through idle, or checks stopRequested itself). A run that
// has not left its program a second after the signal, or whose clean-up
// hangs, is ended without it.

#include <atomic>
#include <cstddef>

namespace vx {

namespace detail {
extern std::atomic<int> stopSignalNumber;
}

// Installed around a run by the run step.
void installStopSignals();
void removeStopSignals();

// Where the module's code lies: a stop that finds the main thread executing
// there leaves the program at once.
void setModuleCode(const void* code, size_t size);

// The run step has left the program: no more need to interrupt it.
void noteProgramLeft();

// The stop signal that arrived during the run, 0 when none did.
inline int stopSignal() { return detail::stopSignalNumber.load(std::memory_order_relaxed); }
inline bool stopRequested() { return stopSignal() != 0; }

}  // namespace vx
