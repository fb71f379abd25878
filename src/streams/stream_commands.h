#pragma once
// The stream module: the commands that read and write the binary values,
// strings and lines of any stream, and CopyStream. The streams themselves
// come from the file and network modules.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule streamModule;

}  // namespace vx
