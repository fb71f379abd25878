#include "runtime/run_step.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/helper_processes.h"
#include "platform/platform_runtime.h"
#include "runtime/command_line.h"
#include "runtime/debugger.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/stop_signals.h"

namespace vx {

namespace {

bool debugFlag = false;
int exitStatus = 0;

// Room between the run step's frames and the program's: a program that
// damages the stack just above its own frame writes into this.
constexpr size_t kEntryRoom = 16 * 1024;

void destroyModules(std::span<const RuntimeModule> modules, size_t created) {
  while (created > 0) modules[--created].destroy();
}

[[gnu::noinline]] void enterWithRoom(ModuleEntry entry) {
  volatile char* room = static_cast<volatile char*>(__builtin_alloca(kEntryRoom));
  room[0] = 0;
  entry();
}

// Calls the entry with the landing armed, which every way out of the
// program returns to. Returns the message the program ended with. Nothing
// here relies on the frames below the landing's own after a jump to it.
const char* callEntry(ModuleEntry entry) {
  ProgramLanding& landing = programLanding();
  landing.message = nullptr;
  landing.reported = true;
  if (sigsetjmp(landing.jump, 1) == 0) {
    landing.armed = 1;
    try {
      idleOrEnd();
      enterWithRoom(entry);
      landing.armed = 0;
      noteProgramLeft();
      PlatformRuntime::current()->debugInfo("Program has ended");
      return nullptr;
    } catch (const vxEx& e) {
      landing.armed = 0;
      noteProgramLeft();
      return e.message;
    }
  }
  // Left through the landing: a command's error, a fault or a stop signal.
  noteProgramLeft();
  resetFpu();
  if (!landing.reported && landing.message) PlatformRuntime::current()->debugError(landing.message);
  return landing.message;
}

}  // namespace

bool debugging() { return debugFlag; }

int runExitStatus() { return exitStatus; }

void leaveProgram(const char* message) {
  if (!programLanding().armed) {
    std::fprintf(stderr, "%s\n", message ? message : "Program ended outside a run");
    std::exit(message ? 1 : 0);
  }
  leaveToLanding(message, true);
}

void leaveOnUnknownException() {
  const char* message = "Unknown runtime exception";
  if (PlatformRuntime* platform = PlatformRuntime::current()) platform->debugError(message);
  leaveProgram(message);
}

const char* runProgram(ModuleEntry entry, std::span<const RuntimeModule> modules) {
  PlatformRuntime* platform = PlatformRuntime::current();
  size_t created = 0;
  for (; created < modules.size(); ++created) {
    if (!modules[created].create()) {
      std::string text = std::string("Startup Error: ") + modules[created].name + "_create failed";
      platform->debugInfo(text.c_str());
      destroyModules(modules, created);
      return "Unable to start program";
    }
  }
  const char* result = callEntry(entry);
  destroyModules(modules, created);
  return result;
}

void executeProgram(ModuleEntry entry, const char* argumentText, Debugger* debugger,
                    std::span<const RuntimeModule> modules) {
  Debugger* active = debugger ? debugger : &nullDebugger();
  debugFlag = debugger != nullptr;
  installFaultTranslation();
  installStopSignals();
  const uint16_t savedControl = readFpuControl();
  writeFpuControl(kModuleFpuControl);

  exitStatus = 1;
  std::string arguments = trimBlanks(argumentText ? argumentText : "");
  if (PlatformRuntime* platform = PlatformRuntime::create(arguments.c_str(), active)) {
    exitStatus = runProgram(entry, modules) ? 1 : 0;
    platform->destroy();
  }
  if (stopRequested()) {
    exitStatus = 128 + stopSignal();
    signalHelperProcesses(stopSignal());
  }

  writeFpuControl(savedControl);
  removeStopSignals();
  removeFaultTranslation();
  debugFlag = false;
}

}  // namespace vx
