#pragma once
// The one way a program ends early: a command reports its message and throws
// vxEx; the command's thunk catches it and leaves to the run step.

#include <string_view>

namespace vx {

// Thrown by value. A null message is a silent end (End, a closed window).
// The message must outlive the throw: a literal or the static error buffer.
struct vxEx {
  const char* message;
};

// Reports the message as a serious debug message (when not null), then throws.
[[noreturn]] void raiseError(const char* message);

// Ends the program silently.
[[noreturn]] void endProgram();

// Copies at most 255 characters of text into the static error buffer and
// raises it: the message of RuntimeError.
[[noreturn]] void raiseRuntimeError(std::string_view text);

}  // namespace vx
