#include "runtime/runtime_modules.h"

#include "world3d/vexel3d_module.h"
#include "language/basic_module.h"
#include "language/math_commands.h"
#include "language/string_commands.h"
#include "language/user_libraries.h"
#include "lib2d/graphics_module.h"
#include "platform/audio_module.h"
#include "platform/input_module.h"
#include "streams/bank_commands.h"
#include "streams/file_commands.h"
#include "streams/multiplayer_commands.h"
#include "streams/network_commands.h"
#include "streams/stream_commands.h"

namespace vx {

namespace {
const RuntimeModule kModules[] = {
    basicModule,
    mathModule,
    stringModule,
    streamModule,
    socketsModule,
    fileSystemModule,
    bankModule,
    graphicsModule,
    inputModule,
    audioModule,
    multiplayModule,
    vexel3dModule,
    userLibraryModule,
};
}

std::span<const RuntimeModule> runtimeModules() { return kModules; }

void registerAll(std::span<const RuntimeModule> modules, Registry& registry) {
  for (const RuntimeModule& m : modules) m.link(registry);
}

}  // namespace vx
