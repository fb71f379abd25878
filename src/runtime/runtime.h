#pragma once
// The root object of the runtime, reached through runtimeGetRuntime. Its
// operations keep this slot order; a debugger or host may rely on it.

#include <cstdint>

namespace vx {

class Debugger;
using ModuleEntry = void (*)();

class Runtime {
 public:
  virtual int32_t versionNumber() = 0;
  // Enumerates registered names: the first call gathers every registration;
  // after the last name it returns null and forgets the table, so a later
  // call starts a new enumeration.
  virtual const char* nextSymbol() = 0;
  // The address registered under name, or -1.
  virtual int32_t symbolValue(const char* name) = 0;
  virtual void startUp(void* instance) = 0;
  virtual void shutDown() = 0;
  virtual void requestSuspend() = 0;
  virtual void requestResume() = 0;
  virtual void requestEnd() = 0;
  virtual void reportMemory(char* buffer) = 0;
  virtual void execute(ModuleEntry entry, const char* argumentText, Debugger* debugger) = 0;

 protected:
  ~Runtime() = default;
};

}  // namespace vx

extern "C" vx::Runtime* runtimeGetRuntime();
