#pragma once
// The command families of what moves and is loaded in the 3D world, each
// registered by its own file; the 3D module registers them all.

namespace vx {

class Registry;

void linkAnimationCommands(Registry& r);
void linkModelCommands(Registry& r);

}  // namespace vx
