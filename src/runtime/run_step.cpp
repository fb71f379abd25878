#include "runtime/run_step.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform_runtime.h"
#include "runtime/command_line.h"
#include "runtime/debugger.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"

namespace vx {

namespace {

bool debugFlag = false;

// The run step's landing: thunks leave here after an error was reported,
// faults leave here before it is.
struct Landing {
  FaultLanding fault;
  bool reported;
};
Landing* landing = nullptr;

void destroyModules(std::span<const RuntimeModule> modules, size_t created) {
  while (created > 0) modules[--created].destroy();
}

}  // namespace

bool debugging() { return debugFlag; }

void leaveProgram(const char* message) {
  if (!landing) {
    std::fprintf(stderr, "%s\n", message ? message : "Program ended outside a run");
    std::exit(0);
  }
  landing->fault.message = message;
  landing->reported = true;
  siglongjmp(landing->fault.jump, 1);
}

void leaveOnUnknownException() {
  const char* message = "Unknown runtime exception";
  if (PlatformRuntime* platform = PlatformRuntime::current()) platform->debugError(message);
  leaveProgram(message);
}

// Calls the entry inside the landing that every way out of the program
// returns to. Returns the message the program ended with.
static const char* callEntry(PlatformRuntime* platform, ModuleEntry entry) {
  Landing here{};
  const char* volatile result = nullptr;
  if (sigsetjmp(here.fault.jump, 1) == 0) {
    landing = &here;
    setFaultLanding(&here.fault);
    try {
      if (!platform->idle()) throw vxEx{nullptr};
      entry();
      platform->debugInfo("Program has ended");
      result = nullptr;
    } catch (const vxEx& e) {
      result = e.message;
    }
  } else {
    // A fault's signal frame was left without returning to it.
    writeFpuControl(kModuleFpuControl);
    if (!here.reported && here.fault.message) platform->debugError(here.fault.message);
    result = here.fault.message;
  }
  setFaultLanding(nullptr);
  landing = nullptr;
  return result;
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
  const char* result = callEntry(platform, entry);
  destroyModules(modules, created);
  return result;
}

void executeProgram(ModuleEntry entry, const char* argumentText, Debugger* debugger,
                    std::span<const RuntimeModule> modules) {
  Debugger* active = debugger ? debugger : &nullDebugger();
  debugFlag = debugger != nullptr;
  installFaultTranslation();
  const uint16_t savedControl = readFpuControl();
  writeFpuControl(kModuleFpuControl);

  std::string arguments = trimBlanks(argumentText ? argumentText : "");
  if (PlatformRuntime* platform = PlatformRuntime::create(arguments.c_str(), active)) {
    runProgram(entry, modules);
    platform->destroy();
  }

  writeFpuControl(savedControl);
  removeFaultTranslation();
  debugFlag = false;
}

}  // namespace vx
