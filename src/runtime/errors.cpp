#include "runtime/errors.h"

#include <cstring>

#include "platform/platform_runtime.h"

namespace vx {

namespace {
char errorBuffer[256];
}

void raiseError(const char* message) {
  if (message) {
    if (PlatformRuntime* platform = PlatformRuntime::current()) platform->debugError(message);
  }
  throw vxEx{message};
}

void endProgram() { throw vxEx{nullptr}; }

void raiseRuntimeError(std::string_view text) {
  size_t length = text.size() < sizeof errorBuffer - 1 ? text.size() : sizeof errorBuffer - 1;
  std::memcpy(errorBuffer, text.data(), length);
  errorBuffer[length] = 0;
  raiseError(errorBuffer);
}

}  // namespace vx
