#pragma once
// Finding, in a copy of a hierarchy, the entity that stands where another
// stands in the original: what animators and skins need to follow a copy.

#include "engine3d/entity.h"

namespace vx {

// The entity of copy at entity's place in original (the same child
// positions down from the root); null when entity is not in original's
// subtree or the copy has nothing there.
Entity* counterpart(const Entity* entity, const Entity& original, Entity& copy);

}  // namespace vx
