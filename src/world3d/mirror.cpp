#include "world3d/mirror.h"

#include "engine3d/world.h"
#include "runtime/registry.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

int32_t createMirror(int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  return addEntity(new Mirror, parent);
}

}  // namespace

void linkMirrorCommands(Registry& r) { r.command<"%CreateMirror%parent=0", createMirror>(); }

}  // namespace vx
