#include "language/basic_module.h"

#include <string>

#include "language/allocation_list.h"
#include "language/arrays.h"
#include "language/data_statements.h"
#include "language/math_commands.h"
#include "language/objects.h"
#include "language/string_routines.h"
#include "language/system_commands.h"
#include "platform/platform_runtime.h"
#include "runtime/run_step.h"

namespace vx {

namespace {

// Type descriptors that compiled code compares field and element types with.
int32_t intType = 1;
int32_t floatType = 2;
int32_t stringType = 3;
int32_t cStringType = 4;

PlatformRuntime& platform() { return *PlatformRuntime::current(); }

void end() { endProgram(); }

void stop() {
  platform().debugStop();
  idleOrEnd();
}

void runtimeError(StrArg message) { raiseRuntimeError(message.view()); }

void debugLog(StrArg text) { platform().debugLog(text.c_str()); }

void runtimeStats() {
  std::string line = "Active strings :" + std::to_string(liveStringCount());
  platform().debugLog(line.c_str());
  line = "Active objects :" + std::to_string(liveObjectCount());
  platform().debugLog(line.c_str());
  line = "Unreleased objs:" + std::to_string(recordsInUseCount());
  platform().debugLog(line.c_str());
}

void debugStmt(int32_t a, int32_t b) {
  if (!debugging()) return;
  platform().debugStatement(a, b);
  idleOrEnd();
}

void debugEnter(int32_t a, int32_t b, int32_t c) {
  if (debugging()) platform().debugEnter(a, b, c);
}

void debugLeave() {
  if (debugging()) platform().debugLeave();
}

// Strings, object records, arrays and vectors all live in blocks of the
// allocation list; freeing it ends them together.
void resetRunState() {
  resetStringPool();
  runAllocations().freeAll();
  resetObjects();
  resetDataPosition();
}

bool create() {
  resetRunState();
  return true;
}

void destroy() { resetRunState(); }

void link(Registry& r) {
  r.command<"End", end>();
  r.command<"Stop", stop>();
  linkSystemCommands(r);
  r.command<"RuntimeError$message", runtimeError>();
  r.command<"DebugLog$text", debugLog>();
  r.routine<"_vxDebugStmt", debugStmt>();
  r.routine<"_vxDebugEnter", debugEnter>();
  r.routine<"_vxDebugLeave", debugLeave>();

  r.value("_vxIntType", &intType);
  r.value("_vxFltType", &floatType);
  r.value("_vxStrType", &stringType);
  r.value("_vxCStrType", &cStringType);
  linkStringRoutines(r);
  linkArrayRoutines(r);
  linkObjectRoutines(r);
  linkDataRoutines(r);
  r.command<"RuntimeStats", runtimeStats>();
  linkMathRoutines(r);
}

}  // namespace

const RuntimeModule basicModule{"basic", create, destroy, link};

}  // namespace vx
