#pragma once
// Processes the runtime starts for a program (programs and documents of
// ExecFile, message boxes). Each leads a process group of its own, so that
// what it starts in turn goes with it when the runtime is stopped.

#include <sys/types.h>

namespace vx {

void addHelperProcess(pid_t group);
void forgetHelperProcess(pid_t group);
// Forgets the groups that have no process left.
void forgetEndedHelperProcesses();
// Sends the signal to every helper process group still known.
void signalHelperProcesses(int signal);

}  // namespace vx
