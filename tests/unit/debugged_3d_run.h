#pragma once
// Runs a piece of a program with a debugger in a 3D mode, to see which
// message a debug check ends it with.

#include <string>

#include "engine3d/world.h"
#include "world3d/vexel3d_module.h"
#include "recording_debugger.h"
#include "runtime/run_step.h"

namespace vxtest {

// The first message the body ends with; "" when there is none.
inline std::string messageOf(void (*body)()) {
  static void (*current)() = nullptr;
  current = body;
  static const vx::RuntimeModule modules[] = {vx::vexel3dModule};
  RecordingDebugger debugger;
  vx::executeProgram(
      [] {
        vx::startWorld3D();
        current();
      },
      "", &debugger, modules);
  return debugger.messages.empty() ? "" : debugger.messages.front().text;
}

}  // namespace vxtest
