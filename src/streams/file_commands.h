#pragma once
// The filesystem module: binary files as streams, directory listings, and
// the file and directory operations. Files still open when the module is
// destroyed (however the program ended) are written out and closed.

#include "runtime/runtime_modules.h"

namespace vx {

extern const RuntimeModule fileSystemModule;

}  // namespace vx
