#pragma once
// The command families of what moves in the 3D world, each registered by
// its own file, and the checks they share.

#include "engine3d/world.h"

namespace vx {

class Registry;

void linkCollisionCommands(Registry& r);
void linkPickCommands(Registry& r);
void linkMD2Commands(Registry& r);

// The object of a handle, in a 3D mode: "3D Graphics mode not set", "Entity
// does not exist", "Entity is not an object".
inline Object* objectOf(int32_t handle) {
  if (!worldOrFail()) return nullptr;
  return entityKindOf<&Entity::getObject>(handle, "Entity is not an object");
}

}  // namespace vx
