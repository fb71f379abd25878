#pragma once
// The command families of what moves and is loaded in the 3D world, each
// registered by its own file (the 3D module registers them all), and the
// checks they share.

#include "engine3d/world.h"

namespace vx {

class Registry;

void linkAnimationCommands(Registry& r);
void linkModelCommands(Registry& r);
void linkCollisionCommands(Registry& r);
void linkPickCommands(Registry& r);
void linkTerrainCommands(Registry& r);
void linkBSPCommands(Registry& r);
void linkMD2Commands(Registry& r);
void linkSpriteCommands(Registry& r);
void linkMirrorCommands(Registry& r);
void linkPlaneCommands(Registry& r);
void linkListenerCommands(Registry& r);

// The object of a handle, in a 3D mode: "3D Graphics mode not set", "Entity
// does not exist", "Entity is not an object".
inline Object* objectOf(int32_t handle) {
  if (!worldOrFail()) return nullptr;
  return entityKindOf<&Entity::getObject>(handle, "Entity is not an object");
}

}  // namespace vx
