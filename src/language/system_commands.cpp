#include "language/system_commands.h"

#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "platform/platform_runtime.h"
#include "platform/shell.h"

namespace vx {

namespace {

PlatformRuntime& platform() { return *PlatformRuntime::current(); }

void appTitle(StrArg title, StrArg closePrompt) { platform().setTitle(title.str(), closePrompt.str()); }

void execFile(StrArg command) {
  executeFile(command.view());
  idleOrEnd();
}

void delay(int32_t milliseconds) { delayOrEnd(milliseconds); }

int32_t milliSecs() { return static_cast<int32_t>(monotonicMillis()); }

RuntimeString* commandLine() { return newString(platform().commandLine()); }

RuntimeString* systemPropertyCommand(StrArg name) { return newString(systemProperty(name.view())); }

RuntimeString* getEnv(StrArg name) {
  const char* value = std::getenv(name.c_str());
  return newString(value ? value : "");
}

void setEnv(StrArg name, StrArg value) {
  // Names the environment cannot hold are ignored.
  if (name.empty() || name.view().find('=') != std::string_view::npos) return;
  if (value.empty())
    unsetenv(name.c_str());
  else
    setenv(name.c_str(), value.c_str(), 1);
}

int32_t createTimer(int32_t hertz) { return HandleSet<Timer>::handleOf(platform().createTimer(hertz)); }

int32_t waitTimer(int32_t handle) {
  Timer* timer = platform().timer(handle);
  int32_t ticks = timer ? timer->wait() : 0;
  idleOrEnd();
  return ticks;
}

void freeTimer(int32_t handle) { platform().freeTimer(handle); }

}  // namespace

void linkSystemCommands(Registry& r) {
  r.command<"AppTitle$title$close_prompt=\"\"", appTitle>();
  r.command<"ExecFile$command", execFile>();
  r.command<"Delay%millisecs", delay>();
  r.command<"%MilliSecs", milliSecs>();
  r.command<"$CommandLine", commandLine>();
  r.command<"$SystemProperty$property", systemPropertyCommand>();
  r.command<"$GetEnv$env_var", getEnv>();
  r.command<"SetEnv$env_var$value", setEnv>();
  r.command<"%CreateTimer%hertz", createTimer>();
  r.command<"%WaitTimer%timer", waitTimer>();
  r.command<"FreeTimer%timer", freeTimer>();
}

}  // namespace vx
