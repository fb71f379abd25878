#pragma once
// The interface through which a development environment follows a running
// program. Slot order is fixed.

#include <cstdint>

namespace vx {

class Debugger {
 public:
  virtual void onRun() {}
  virtual void onStop() {}
  virtual void onStatement(int32_t, int32_t) {}
  virtual void onEnter(int32_t, int32_t, int32_t) {}
  virtual void onLeave() {}
  virtual void onLog(const char*) {}
  virtual void onMessage(const char*, int32_t) {}
  virtual void reserved(void*) {}

 protected:
  ~Debugger() = default;
};

// Shows serious messages in a message box captioned "Error!"; ignores the rest.
Debugger& nullDebugger();

// The debugger of VX_DEBUG=1: log lines on standard output, messages on
// standard error.
Debugger& consoleDebugger();

}  // namespace vx
